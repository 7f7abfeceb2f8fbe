// JPEG whole images on the row reader and writer: the library decodes straight into the
// image's RGBA rows and encodes straight from them, so a photo is never copied or converted
// pixel by pixel on our side, except CMYK which the library leaves to us.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"
#include "imaging/atomic_file.h"
#include "imaging/jpeg_rows.h"


namespace mw::codecs {

namespace {

// CMYK (as the library hands it over) to RGB in place; Adobe writes the inks inverted.
void cmykToRgba(Image& img, bool inverted)
{
    for (int y = 0; y < img.height(); ++y) {
        uint8_t* p = img.row(y);
        for (int x = 0; x < img.width(); ++x, p += 4) {
            int c = p[0], m = p[1], yl = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                yl = 255 - yl;
                k = 255 - k;
            }
            p[0] = uint8_t((c * k + 127) / 255);
            p[1] = uint8_t((m * k + 127) / 255);
            p[2] = uint8_t((yl * k + 127) / 255);
            p[3] = 255;
        }
    }
}

} // namespace

Status decodeJpeg(Bytes in, Image& out, DecodeExtras& extras)
{
    JpegRowReader reader;
    if (Status st = reader.open(in); !st)
        return st;
    const int w = reader.width(), h = reader.height();
    if (Status size = checkDecodeSize(w, h); !size)
        return size;
    // An allocation failure is turned into a failed status by decodeImage, as for every codec.
    const size_t m = size_t(extras.reserveMargin) * 2;
    Image img = Image::uninitialized(w, h, false, (size_t(w) + m) * (size_t(h) + m) * 4);
    std::vector<uint8_t*> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        rows[size_t(y)] = img.row(y);
    if (Status st = reader.readRows(rows.data(), h); !st)
        return st;
    if (Status st = reader.finish(); !st)
        return st;
    if (reader.isCmyk())
        cmykToRgba(img, reader.adobeInverted());
    img.setBitsPerPixel(reader.isGrey() ? 8 : 24);
    extras.orientation = reader.orientation();
    out = std::move(img);
    return Status::ok();
}

namespace {

Status encodeJpegRows(const Image& image, int quality, JpegRowWriter::ByteSink sink, std::vector<uint8_t>& out)
{
    if (image.isEmpty())
        return Status::fail("there is no image to write");
    JpegRowWriter writer;
    if (Status st = writer.start(image.width(), image.height(), quality, std::move(sink)); !st)
        return st;
    std::vector<const uint8_t*> rows(static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[size_t(y)] = image.row(y);
    if (Status st = writer.writeRows(rows.data(), image.height()); !st)
        return st;
    return writer.finish(out);
}

} // namespace

Status encodeJpeg(const Image& image, std::vector<uint8_t>& out, int quality)
{
    return encodeJpegRows(image, quality, {}, out);
}

Status encodeJpeg(const Image& image, AtomicFileWriter& file, int quality)
{
    std::vector<uint8_t> none;
    return encodeJpegRows(image, quality, [&file](const uint8_t* data, size_t size) { return file.write(data, size); },
                          none);
}

} // namespace mw::codecs
