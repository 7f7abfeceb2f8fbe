#pragma once
// One decoder and/or encoder per file format. Decoders never trust the data: every length,
// offset and dimension is checked against the buffer and against checkImageSize() before a
// pixel buffer is allocated, and a failure comes back as Status::fail(reason). No longjmp
// (libpng, libjpeg) ever crosses a C++ frame outside the codec's own file.
#include "imaging/image.h"
#include "imaging/status.h"

#include <cstdint>
#include <span>
#include <vector>

namespace mw {
class AtomicFileWriter;
}

namespace mw::codecs {

using Bytes = std::span<const uint8_t>;

struct DecodeExtras {
    int orientation = 1;  // out: EXIF / TIFF orientation 1..8 found in the file, 1 when none
    int reserveMargin = 0; // in: pixels per side a decoder may reserve for growing the canvas
};

Status decodePng(Bytes in, Image& out, DecodeExtras& extras);
Status encodePng(const Image& image, std::vector<uint8_t>& out, int compression);

Status decodeJpeg(Bytes in, Image& out, DecodeExtras& extras);
Status encodeJpeg(const Image& image, std::vector<uint8_t>& out, int quality);
// Straight into the file as the rows are encoded, with no buffer the size of the file.
Status encodeJpeg(const Image& image, AtomicFileWriter& file, int quality);

// JPEG 2000: .jp2 files and raw code streams (.j2k, .jpc, .j2c).
Status decodeJp2(Bytes in, Image& out, DecodeExtras& extras);
Status encodeJp2(const Image& image, std::vector<uint8_t>& out, bool codestream);

Status decodeTiff(Bytes in, Image& out, DecodeExtras& extras);
Status encodeTiff(const Image& image, std::vector<uint8_t>& out);

Status decodeGif(Bytes in, Image& out, DecodeExtras& extras);
Status encodeGif(const Image& image, std::vector<uint8_t>& out);

Status decodeWebp(Bytes in, Image& out, DecodeExtras& extras);

Status decodeBmp(Bytes in, Image& out, DecodeExtras& extras);
Status encodeBmp(const Image& image, std::vector<uint8_t>& out);

Status decodeTga(Bytes in, Image& out, DecodeExtras& extras);
Status encodeTga(const Image& image, std::vector<uint8_t>& out);

// PBM / PGM / PPM / PXM, binary and ASCII. The writer picks P4/P5/P6 from bitsPerPixel().
Status decodePnm(Bytes in, Image& out, DecodeExtras& extras);
Status encodePnm(const Image& image, std::vector<uint8_t>& out);

Status decodePcx(Bytes in, Image& out, DecodeExtras& extras);
Status encodePcx(const Image& image, std::vector<uint8_t>& out);
Status decodeDcx(Bytes in, Image& out, DecodeExtras& extras);  // first page
Status encodeDcx(const Image& image, std::vector<uint8_t>& out); // one page

Status decodeWbmp(Bytes in, Image& out, DecodeExtras& extras);
Status decodeIco(Bytes in, Image& out, DecodeExtras& extras);  // ICO and CUR: largest image

} // namespace mw::codecs
