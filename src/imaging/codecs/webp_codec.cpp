// WebP (read only) through libwebp, decoded straight into the image's RGBA rows.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

#include <webp/decode.h>

#include <cstring>
#include <exception>
#include <new>

namespace mw::codecs {

namespace {

const char* webpReason(VP8StatusCode code)
{
    switch (code) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR: return "the data is damaged";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
    case VP8_STATUS_SUSPENDED: return "decoding suspended";
    case VP8_STATUS_USER_ABORT: return "decoding aborted";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "the file is truncated";
    default: return "cannot decode the image";
    }
}

} // namespace

Status decodeWebp(Bytes in, Image& out, DecodeExtras&)
{
    if (in.size() < 12 || std::memcmp(in.data(), "RIFF", 4) != 0 || std::memcmp(in.data() + 8, "WEBP", 4) != 0)
        return Status::fail("not a WebP file (bad signature)");
    WebPBitstreamFeatures features;
    const VP8StatusCode st = WebPGetFeatures(in.data(), in.size(), &features);
    if (st != VP8_STATUS_OK)
        return Status::fail(std::string("WebP: ") + webpReason(st));
    if (features.has_animation)
        return Status::fail("WebP: animated files are not supported");
    if (Status size = checkDecodeSize(features.width, features.height); !size)
        return size;
    try {
        Image img(features.width, features.height, features.has_alpha != 0);
        const size_t bytes = img.stride() * size_t(img.height());
        if (!WebPDecodeRGBAInto(in.data(), in.size(), img.data(), bytes, int(img.stride())))
            return Status::fail("WebP: the data is damaged or truncated");
        img.setBitsPerPixel(features.has_alpha ? 32 : 24);
        out = std::move(img);
        return Status::ok();
    } catch (const std::bad_alloc&) {
        return Status::fail("not enough memory for the image");
    } catch (const std::exception& e) {
        return Status::fail(e.what());
    }
}

} // namespace mw::codecs
