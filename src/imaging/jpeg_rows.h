#pragma once
// JPEG a band of rows at a time through libjpeg-turbo, for pipelines that never hold a whole
// picture, and for the whole-image codec, which is built on the same two classes so both write
// and read exactly the same bytes and pixels.
//
// Failures come back as a Status whose reason starts with "JPEG: ". After a failure the object
// only reports it again.
#include "imaging/status.h"

#include <cstdint>
#include <functional>
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
    // The same from an open file, read a piece at a time as the rows are decoded, so the file
    // is never held whole; the descriptor must stay open while the reader is used.
    Status openFile(int fd);
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

    // Receives the encoded bytes piece by piece; false when they cannot be stored, which
    // fails the encode. Must not throw.
    using ByteSink = std::function<bool(const uint8_t* data, size_t size)>;

    // Baseline JPEG of width x height at `quality` (1..100), 4:2:0: into memory, or handed to
    // `sink` as it is made when one is given.
    Status start(int width, int height, int quality, ByteSink sink = {});
    // The next `count` rows, four bytes a pixel: R, G, B and one byte that is ignored.
    Status writeRows(const uint8_t* const* rows, int count);
    // Once every row is written: the whole file (empty when it went to a sink).
    Status finish(std::vector<uint8_t>& out);

    struct State;  // the library's own structures; defined with the codec

private:
    std::unique_ptr<State> m;
};

} // namespace mw
