// JPEG through libjpeg-turbo. The library decodes straight into the image's RGBA rows and
// encodes straight from them (JCS_EXT_RGBA / JCS_EXT_RGBX), so a photo is never copied or
// converted pixel by pixel on our side, except CMYK which the library leaves to us.
//
// libjpeg reports errors by longjmp: each call that may fail runs in a small function whose
// frame holds plain data only; the C++ side allocates the pixels between those calls.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"
#include "imaging/codecs/exif.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

namespace mw::codecs {

namespace {

// A progressive file may carry any number of scans, each costing a pass over the whole
// coefficient buffer; real files use about ten, damaged or hostile ones millions.
constexpr int kMaxScans = 1000;

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are silent, except running out of data: the library would pad the rest of the
// picture with grey and call it a success, which hides a damaged file from the user.
extern "C" void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    if (level < 0) {
        if (cinfo->err->msg_code == JWRN_JPEG_EOF) {
            std::snprintf(err->message, sizeof err->message, "the data is truncated");
            std::longjmp(err->jump, 1);
        }
        cinfo->err->num_warnings++;
    }
}

extern "C" void jpegOutputMessage(j_common_ptr) {}

extern "C" void jpegProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxScans) {
            auto* err = reinterpret_cast<JpegError*>(cinfo->err);
            std::snprintf(err->message, sizeof err->message,
                          "too many scans (more than %d)", kMaxScans);
            std::longjmp(err->jump, 1);
        }
    }
}

void initError(JpegError* err)
{
    jpeg_std_error(&err->mgr);
    err->mgr.error_exit = jpegErrorExit;
    err->mgr.emit_message = jpegEmitMessage;
    err->mgr.output_message = jpegOutputMessage;
    std::snprintf(err->message, sizeof err->message, "the data is damaged");
}

struct JpegDecodeState {
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    bool created;
    bool cmyk;
    bool adobeInverted;
    bool grey;
    JDIMENSION width;
    JDIMENSION height;
    int orientation;
};

bool jpegReadHeader(JpegDecodeState* s, const uint8_t* data, size_t size)
{
    s->cinfo.err = &s->err.mgr;
    if (setjmp(s->err.jump))
        return false;
    jpeg_create_decompress(&s->cinfo);
    s->created = true;
    s->progress.progress_monitor = jpegProgress;
    s->cinfo.progress = &s->progress;
    jpeg_mem_src(&s->cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&s->cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&s->cinfo, TRUE);

    for (jpeg_saved_marker_ptr m = s->cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1) {
            const int o = exifOrientation(Bytes(m->data, m->data_length));
            if (o != 1) {
                s->orientation = o;
                break;
            }
        }
    }

    switch (s->cinfo.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
        s->cmyk = true;
        s->adobeInverted = s->cinfo.saw_Adobe_marker;
        s->cinfo.out_color_space = JCS_CMYK;
        break;
    case JCS_GRAYSCALE:
        s->grey = true;
        s->cinfo.out_color_space = JCS_EXT_RGBA;
        break;
    default:
        s->cinfo.out_color_space = JCS_EXT_RGBA;
        break;
    }
    s->cinfo.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&s->cinfo);
    s->width = s->cinfo.output_width;
    s->height = s->cinfo.output_height;
    return true;
}

bool jpegReadPixels(JpegDecodeState* s, JSAMPROW* rows)
{
    if (setjmp(s->err.jump))
        return false;
    jpeg_start_decompress(&s->cinfo);
    if (s->cinfo.output_components != 4 || s->cinfo.output_width != s->width ||
        s->cinfo.output_height != s->height) {
        std::snprintf(s->err.message, sizeof s->err.message, "unexpected JPEG output layout");
        return false;
    }
    while (s->cinfo.output_scanline < s->cinfo.output_height) {
        const JDIMENSION line = s->cinfo.output_scanline;
        if (jpeg_read_scanlines(&s->cinfo, rows + line, s->cinfo.output_height - line) == 0)
            break;
    }
    jpeg_finish_decompress(&s->cinfo);
    return true;
}

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

struct JpegEncodeState {
    jpeg_compress_struct cinfo;
    JpegError err;
    bool created;
    unsigned char* buffer;
    unsigned long size;
};

bool jpegWriteAll(JpegEncodeState* s, const Image* image, int quality, JSAMPROW* rows)
{
    s->cinfo.err = &s->err.mgr;
    if (setjmp(s->err.jump))
        return false;
    jpeg_create_compress(&s->cinfo);
    s->created = true;
    jpeg_mem_dest(&s->cinfo, &s->buffer, &s->size);
    s->cinfo.image_width = JDIMENSION(image->width());
    s->cinfo.image_height = JDIMENSION(image->height());
    s->cinfo.input_components = 4;
    s->cinfo.in_color_space = JCS_EXT_RGBX;  // alpha is ignored: JPEG has none
    jpeg_set_defaults(&s->cinfo);
    jpeg_set_quality(&s->cinfo, quality, TRUE);
    s->cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&s->cinfo, TRUE);
    while (s->cinfo.next_scanline < s->cinfo.image_height) {
        const JDIMENSION line = s->cinfo.next_scanline;
        jpeg_write_scanlines(&s->cinfo, rows + line, s->cinfo.image_height - line);
    }
    jpeg_finish_compress(&s->cinfo);
    return true;
}

} // namespace

Status decodeJpeg(Bytes in, Image& out, DecodeExtras& extras)
{
    if (in.size() < 3 || in[0] != 0xFF || in[1] != 0xD8 || in[2] != 0xFF)
        return Status::fail("not a JPEG file (bad signature)");

    JpegDecodeState s{};
    s.orientation = 1;
    initError(&s.err);
    Status result = Status::ok();
    if (!jpegReadHeader(&s, in.data(), in.size())) {
        result = Status::fail(std::string("JPEG: ") + s.err.message);
    } else if (Status size = checkDecodeSize(s.width, s.height); !size) {
        result = size;
    } else {
        try {
            const size_t m = size_t(extras.reserveMargin) * 2;
            Image img = Image::uninitialized(int(s.width), int(s.height), false,
                                             (s.width + m) * (s.height + m) * 4);
            std::vector<JSAMPROW> rows(s.height);
            for (JDIMENSION y = 0; y < s.height; ++y)
                rows[y] = img.row(int(y));
            if (!jpegReadPixels(&s, rows.data())) {
                result = Status::fail(std::string("JPEG: ") + s.err.message);
            } else {
                if (s.cmyk)
                    cmykToRgba(img, s.adobeInverted);
                img.setBitsPerPixel(s.grey ? 8 : 24);
                extras.orientation = s.orientation;
                out = std::move(img);
            }
        } catch (const std::bad_alloc&) {
            result = Status::fail("not enough memory for the image");
        } catch (const std::exception& e) {
            result = Status::fail(e.what());
        }
    }
    if (s.created)
        jpeg_destroy_decompress(&s.cinfo);
    return result;
}

Status encodeJpeg(const Image& image, std::vector<uint8_t>& out, int quality)
{
    if (image.isEmpty())
        return Status::fail("there is no image to write");
    if (image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION)
        return Status::fail("the image is too large for JPEG (at most " +
                            std::to_string(JPEG_MAX_DIMENSION) + " pixels on a side)");
    std::vector<JSAMPROW> rows(size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[size_t(y)] = const_cast<JSAMPROW>(image.row(y));  // the library only reads them

    JpegEncodeState s{};
    initError(&s.err);
    const bool ok = jpegWriteAll(&s, &image, std::clamp(quality, 1, 100), rows.data());
    if (s.created)
        jpeg_destroy_compress(&s.cinfo);
    Status result = Status::ok();
    if (!ok) {
        result = Status::fail(std::string("JPEG: ") + s.err.message);
    } else {
        try {
            out.assign(s.buffer, s.buffer + s.size);
        } catch (const std::bad_alloc&) {
            result = Status::fail("not enough memory for the JPEG data");
        }
    }
    std::free(s.buffer);
    return result;
}

} // namespace mw::codecs
