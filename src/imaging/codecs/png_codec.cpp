// PNG through libpng. libpng reports errors by longjmp, so every call that may fail runs in a
// small function of its own whose frame holds only plain data (no destructors to skip); the
// C++ side allocates the pixels between those calls.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

namespace mw::codecs {

namespace {

struct PngMessage {
    char text[256];
};

void setMessage(PngMessage* m, const char* text)
{
    std::snprintf(m->text, sizeof m->text, "%s", text ? text : "unknown error");
}

extern "C" void pngError(png_structp png, png_const_charp msg)
{
    if (auto* m = static_cast<PngMessage*>(png_get_error_ptr(png)))
        setMessage(m, msg);
    png_longjmp(png, 1);
}

extern "C" void pngWarning(png_structp, png_const_charp) {}

// ---- decoding --------------------------------------------------------------------------------

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

extern "C" void pngRead(png_structp png, png_bytep out, size_t length)
{
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > src->size - src->pos)
        png_error(png, "the file is truncated");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

struct PngDecodeState {
    png_structp png;
    png_infop info;
    PngSource source;
    PngMessage message;
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colorType;
    bool hasAlpha;
};

// Reads the header and sets up the transforms that turn any PNG into 8-bit RGBA.
bool pngReadHeader(PngDecodeState* s)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_set_read_fn(s->png, &s->source, pngRead);
    // Our own ceilings; libpng refuses larger headers before it allocates anything.
    png_set_user_limits(s->png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(s->png, 64u << 20);
    png_read_info(s->png, s->info);

    png_get_IHDR(s->png, s->info, &s->width, &s->height, &s->bitDepth, &s->colorType, nullptr,
                 nullptr, nullptr);
    s->hasAlpha = (s->colorType & PNG_COLOR_MASK_ALPHA) != 0 ||
                  png_get_valid(s->png, s->info, PNG_INFO_tRNS) != 0;

    png_set_expand(s->png);  // palette -> RGB, low-bit grey -> 8 bits, tRNS -> alpha
    png_set_scale_16(s->png);
    if (!(s->colorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(s->png);
    if (!s->hasAlpha)
        png_set_filler(s->png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);
    if (png_get_rowbytes(s->png, s->info) != size_t(s->width) * 4) {
        setMessage(&s->message, "unexpected row layout after conversion");
        return false;
    }
    return true;
}

bool pngReadPixels(PngDecodeState* s, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_read_image(s->png, rows);
    return true;
}

// The trailing chunks carry nothing we use; a damaged tail after complete pixels is tolerated.
void pngReadTail(PngDecodeState* s)
{
    if (setjmp(png_jmpbuf(s->png)))
        return;
    png_read_end(s->png, nullptr);
}

int pngBitsPerPixel(const PngDecodeState& s)
{
    // Indexed images stay "8-bit" (or 1-bit) with a transparent entry beside them.
    if (s.colorType == PNG_COLOR_TYPE_PALETTE)
        return s.bitDepth == 1 && !s.hasAlpha ? 1 : 8;
    if (s.hasAlpha)
        return 32;
    if (s.colorType & PNG_COLOR_MASK_COLOR)
        return 24;
    return s.bitDepth == 1 ? 1 : 8;
}

// ---- encoding --------------------------------------------------------------------------------

struct PngSink {
    std::vector<uint8_t>* out;
    bool failed;
};

extern "C" void pngWrite(png_structp png, png_bytep data, size_t length)
{
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    try {
        sink->out->insert(sink->out->end(), data, data + length);
    } catch (...) {
        sink->failed = true;
    }
    // Jump only once the handler is left, so the exception is properly finished.
    if (sink->failed)
        png_error(png, "out of memory");
}

extern "C" void pngFlush(png_structp) {}

struct PngEncodeState {
    png_structp png;
    png_infop info;
    PngSink sink;
    PngMessage message;
    png_uint_32 width;
    png_uint_32 height;
    bool alpha;
    int compression;
};

bool pngWriteAll(PngEncodeState* s, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_set_write_fn(s->png, &s->sink, pngWrite, pngFlush);
    png_set_compression_level(s->png, s->compression);
    png_set_IHDR(s->png, s->info, s->width, s->height, 8,
                 s->alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(s->png, s->info);
    if (!s->alpha)
        png_set_filler(s->png, 0, PNG_FILLER_AFTER);  // drops the 4th byte of each pixel
    png_write_image(s->png, rows);
    png_write_end(s->png, nullptr);
    return true;
}

} // namespace

Status decodePng(Bytes in, Image& out, DecodeExtras&)
{
    if (in.size() < 8 || png_sig_cmp(in.data(), 0, 8) != 0)
        return Status::fail("not a PNG file (bad signature)");

    PngDecodeState s{};
    s.source = {in.data(), in.size(), 0};
    setMessage(&s.message, "the PNG data is damaged");
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.message, pngError, pngWarning);
    if (!s.png)
        return Status::fail("cannot start the PNG decoder");
    s.info = png_create_info_struct(s.png);
    if (!s.info) {
        png_destroy_read_struct(&s.png, nullptr, nullptr);
        return Status::fail("cannot start the PNG decoder");
    }

    Status result = Status::ok();
    if (!pngReadHeader(&s)) {
        result = Status::fail(std::string("PNG: ") + s.message.text);
    } else if (Status size = checkDecodeSize(s.width, s.height); !size) {
        result = size;
    } else {
        try {
            Image img(int(s.width), int(s.height), s.hasAlpha);
            std::vector<png_bytep> rows(s.height);
            for (png_uint_32 y = 0; y < s.height; ++y)
                rows[y] = img.row(int(y));
            if (!pngReadPixels(&s, rows.data())) {
                result = Status::fail(std::string("PNG: ") + s.message.text);
            } else {
                pngReadTail(&s);
                img.setBitsPerPixel(pngBitsPerPixel(s));
                out = std::move(img);
            }
        } catch (const std::bad_alloc&) {
            result = Status::fail("not enough memory for the image");
        } catch (const std::exception& e) {
            result = Status::fail(e.what());
        }
    }
    png_destroy_read_struct(&s.png, &s.info, nullptr);
    return result;
}

Status encodePng(const Image& image, std::vector<uint8_t>& out, int compression)
{
    if (image.isEmpty())
        return Status::fail("there is no image to write");
    PngEncodeState s{};
    std::vector<uint8_t> bytes;
    s.sink = {&bytes, false};
    s.width = png_uint_32(image.width());
    s.height = png_uint_32(image.height());
    s.alpha = image.hasAlpha();
    s.compression = std::clamp(compression, 0, 9);
    setMessage(&s.message, "cannot write the PNG data");
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s.message, pngError, pngWarning);
    if (!s.png)
        return Status::fail("cannot start the PNG encoder");
    s.info = png_create_info_struct(s.png);
    if (!s.info) {
        png_destroy_write_struct(&s.png, nullptr);
        return Status::fail("cannot start the PNG encoder");
    }
    std::vector<png_bytep> rows(size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[size_t(y)] = const_cast<png_bytep>(image.row(y));  // libpng only reads them
    const bool ok = pngWriteAll(&s, rows.data());
    png_destroy_write_struct(&s.png, &s.info);
    if (!ok)
        return Status::fail(std::string("PNG: ") + s.message.text);
    out = std::move(bytes);
    return Status::ok();
}

} // namespace mw::codecs
