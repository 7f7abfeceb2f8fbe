#pragma once
// JPEG a band of rows at a time through libjpeg-turbo, for pipelines that never hold a whole
// picture, and for the whole-image codec, which is built on the same two classes so both write
// and read exactly the same bytes and pixels.
//
// Failures come back as a Status whose reason starts with "JPEG: ". After a failure the object
// only reports it again.
#include "imaging/status.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace mw {

class JpegRowReader {
public:
    JpegRowReader();
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    // Reads the header of `data`, which must outlive the reader.
    Status open(std::span<const uint8_t> data);
    int width() const;
    int height() const;
    int orientation() const;     // EXIF orientation 1..8; 1 when the file has none
    bool isGrey() const;         // one channel, delivered as grey RGBA
    bool isCmyk() const;         // CMYK or YCCK: rows arrive as four inks, not RGBA
    bool adobeInverted() const;  // CMYK inks written inverted (Adobe)

    // Decodes the next `count` rows into rows[0..count): RGBA with alpha 255 (inks for CMYK).
    Status readRows(uint8_t* const* rows, int count);
    int rowsRead() const;
    // Reads on to the end of the data once every row is read: a file cut short fails here at
    // the latest.
    Status finish();

    struct State;  // the library's own structures; defined with the codec

private:
    std::unique_ptr<State> m;
};

class JpegRowWriter {
public:
    JpegRowWriter();
    ~JpegRowWriter();
    JpegRowWriter(const JpegRowWriter&) = delete;
    JpegRowWriter& operator=(const JpegRowWriter&) = delete;

    // Baseline JPEG of width x height at `quality` (1..100), 4:2:0, into memory.
    Status start(int width, int height, int quality);
    // The next `count` rows, four bytes a pixel: R, G, B and one byte that is ignored.
    Status writeRows(const uint8_t* const* rows, int count);
    // Once every row is written: the whole file.
    Status finish(std::vector<uint8_t>& out);

    struct State;  // the library's own structures; defined with the codec

private:
    std::unique_ptr<State> m;
};

} // namespace mw
