// JPEG 2000 through OpenJPEG on memory streams: .jp2 files and raw code streams. Reading
// scales any precision to 8 bits and upsamples sub-sampled components; writing is lossless
// (reversible 5-3 wavelet and colour transform) so a saved image reads back identical.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <thread>

namespace mw::codecs {

namespace {

struct Messages {
    std::string error;
};

extern "C" void opjError(const char* msg, void* data)
{
    auto* m = static_cast<Messages*>(data);
    if (!m || !m->error.empty() || !msg)
        return;  // keep the first error: the later ones only repeat it
    try {
        m->error = msg;
        while (!m->error.empty() && (m->error.back() == '\n' || m->error.back() == ' '))
            m->error.pop_back();
    } catch (...) {
    }
}

extern "C" void opjQuiet(const char*, void*) {}

struct ReadStream {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos;
};

extern "C" OPJ_SIZE_T streamRead(void* buf, OPJ_SIZE_T n, void* user)
{
    auto* s = static_cast<ReadStream*>(user);
    if (s->pos >= s->size)
        return OPJ_SIZE_T(-1);
    const uint64_t count = std::min<uint64_t>(n, s->size - s->pos);
    std::memcpy(buf, s->data + s->pos, size_t(count));
    s->pos += count;
    return OPJ_SIZE_T(count);
}

extern "C" OPJ_OFF_T streamSkip(OPJ_OFF_T n, void* user)
{
    auto* s = static_cast<ReadStream*>(user);
    if (n < 0) {
        if (uint64_t(-n) > s->pos)
            return -1;
        s->pos -= uint64_t(-n);
        return n;
    }
    const uint64_t step = std::min<uint64_t>(uint64_t(n), s->size - std::min(s->pos, s->size));
    s->pos += step;
    return OPJ_OFF_T(step);
}

extern "C" OPJ_BOOL streamSeek(OPJ_OFF_T to, void* user)
{
    auto* s = static_cast<ReadStream*>(user);
    if (to < 0 || uint64_t(to) > s->size)
        return OPJ_FALSE;
    s->pos = uint64_t(to);
    return OPJ_TRUE;
}

struct WriteStream {
    std::vector<uint8_t>* out;
    uint64_t pos;
};

extern "C" OPJ_SIZE_T streamWrite(void* buf, OPJ_SIZE_T n, void* user)
{
    auto* s = static_cast<WriteStream*>(user);
    try {
        if (s->pos + n > s->out->size())
            s->out->resize(size_t(s->pos + n));
        std::memcpy(s->out->data() + s->pos, buf, n);
        s->pos += n;
        return n;
    } catch (...) {
        return OPJ_SIZE_T(-1);
    }
}

extern "C" OPJ_OFF_T streamWriteSkip(OPJ_OFF_T n, void* user)
{
    auto* s = static_cast<WriteStream*>(user);
    if (n < 0 && uint64_t(-n) > s->pos)
        return -1;
    s->pos = uint64_t(OPJ_OFF_T(s->pos) + n);
    return n;
}

extern "C" OPJ_BOOL streamWriteSeek(OPJ_OFF_T to, void* user)
{
    auto* s = static_cast<WriteStream*>(user);
    if (to < 0)
        return OPJ_FALSE;
    s->pos = uint64_t(to);
    return OPJ_TRUE;
}

// Releases whatever OpenJPEG objects were created, on every return path.
struct OpjObjects {
    opj_codec_t* codec = nullptr;
    opj_stream_t* stream = nullptr;
    opj_image_t* image = nullptr;
    ~OpjObjects()
    {
        if (stream)
            opj_stream_destroy(stream);
        if (codec)
            opj_destroy_codec(codec);
        if (image)
            opj_image_destroy(image);
    }
};

void setHandlers(opj_codec_t* codec, Messages* messages)
{
    opj_set_error_handler(codec, opjError, messages);
    opj_set_warning_handler(codec, opjQuiet, nullptr);
    opj_set_info_handler(codec, opjQuiet, nullptr);
}

void useThreads(opj_codec_t* codec)
{
    const unsigned n = std::max(1u, std::thread::hardware_concurrency());
    if (opj_has_thread_support())
        opj_codec_set_threads(codec, int(std::min(n, 8u)));
}

Status failWith(const Messages& m, const char* fallback)
{
    return Status::fail(std::string("JPEG 2000: ") + (m.error.empty() ? fallback : m.error.c_str()));
}

// Maps a component sample of any precision and signedness to 0..255.
struct Scaler {
    int64_t offset;
    int64_t max;
    explicit Scaler(const opj_image_comp_t& c)
        : offset(c.sgnd ? int64_t(1) << (c.prec - 1) : 0), max((int64_t(1) << c.prec) - 1)
    {
    }
    uint8_t operator()(int32_t v) const
    {
        const int64_t u = std::clamp<int64_t>(int64_t(v) + offset, 0, max);
        return max == 255 ? uint8_t(u) : uint8_t((u * 255 + max / 2) / max);
    }
};

} // namespace

Status decodeJp2(Bytes in, Image& out, DecodeExtras&)
{
    static const uint8_t kJp2Sig[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    static const uint8_t kJ2kSig[4] = {0xFF, 0x4F, 0xFF, 0x51};
    OPJ_CODEC_FORMAT format;
    if (in.size() >= 12 && std::memcmp(in.data(), kJp2Sig, 12) == 0)
        format = OPJ_CODEC_JP2;
    else if (in.size() >= 4 && std::memcmp(in.data(), kJ2kSig, 4) == 0)
        format = OPJ_CODEC_J2K;
    else
        return Status::fail("not a JPEG 2000 file (bad signature)");

    Messages messages;
    ReadStream source{in.data(), in.size(), 0};
    OpjObjects o;
    o.codec = opj_create_decompress(format);
    if (!o.codec)
        return Status::fail("cannot start the JPEG 2000 decoder");
    setHandlers(o.codec, &messages);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    if (!opj_setup_decoder(o.codec, &params))
        return failWith(messages, "cannot set up the decoder");
    // A cut-off code stream is an error, not a blurred picture.
    opj_decoder_set_strict_mode(o.codec, OPJ_TRUE);
    useThreads(o.codec);

    o.stream = opj_stream_create(1 << 16, OPJ_TRUE);
    if (!o.stream)
        return Status::fail("cannot start the JPEG 2000 decoder");
    opj_stream_set_user_data(o.stream, &source, nullptr);
    opj_stream_set_user_data_length(o.stream, source.size);
    opj_stream_set_read_function(o.stream, streamRead);
    opj_stream_set_skip_function(o.stream, streamSkip);
    opj_stream_set_seek_function(o.stream, streamSeek);

    if (!opj_read_header(o.stream, o.codec, &o.image) || !o.image)
        return failWith(messages, "cannot read the header");
    const opj_image_t& hdr = *o.image;
    if (hdr.x1 <= hdr.x0 || hdr.y1 <= hdr.y0 || hdr.numcomps == 0)
        return Status::fail("JPEG 2000: the image has no pixels");
    const int64_t width = int64_t(hdr.x1) - hdr.x0, height = int64_t(hdr.y1) - hdr.y0;
    if (Status size = checkDecodeSize(width, height); !size)
        return size;
    if (hdr.color_space == OPJ_CLRSPC_CMYK || hdr.color_space == OPJ_CLRSPC_EYCC)
        return Status::fail("JPEG 2000: CMYK and e-YCC colour are not supported");
    for (OPJ_UINT32 c = 0; c < hdr.numcomps; ++c) {
        const opj_image_comp_t& comp = hdr.comps[c];
        if (comp.prec < 1 || comp.prec > 31)
            return Status::fail("JPEG 2000: unsupported sample precision " + std::to_string(comp.prec));
        if (comp.dx < 1 || comp.dy < 1 || comp.dx > 255 || comp.dy > 255)
            return Status::fail("JPEG 2000: invalid component sub-sampling");
    }

    if (!opj_decode(o.codec, o.stream, o.image) || !opj_end_decompress(o.codec, o.stream))
        return failWith(messages, "cannot decode the image");

    const opj_image_t& im = *o.image;
    const OPJ_UINT32 n = im.numcomps;
    for (OPJ_UINT32 c = 0; c < n; ++c)
        if (!im.comps[c].data || im.comps[c].w == 0 || im.comps[c].h == 0)
            return Status::fail("JPEG 2000: a component has no data");

    // Colour from 3 components (or more), grey from 1-2; a component flagged as alpha, or the
    // one after the colour components, is the alpha channel.
    const bool colour = n >= 3;
    const OPJ_UINT32 colourCount = colour ? 3 : 1;
    int alphaIndex = -1;
    for (OPJ_UINT32 c = 0; c < n; ++c)
        if (im.comps[c].alpha)
            alphaIndex = int(c);
    if (alphaIndex < 0 && n > colourCount)
        alphaIndex = int(colourCount);
    if (alphaIndex >= 0 && OPJ_UINT32(alphaIndex) < colourCount)
        return Status::fail("JPEG 2000: unsupported channel layout");
    // A bare code stream does not say its colour space; chroma sampled more coarsely than the
    // first component means YCbCr, as in the files that do say so.
    const bool subsampledChroma = colour && im.comps[0].dx == 1 && im.comps[0].dy == 1 &&
                                  (im.comps[1].dx > 1 || im.comps[1].dy > 1);
    const bool ycc = colour && (im.color_space == OPJ_CLRSPC_SYCC ||
                                (im.color_space == OPJ_CLRSPC_UNSPECIFIED && subsampledChroma));

    try {
        Image img(int(width), int(height), alphaIndex >= 0);
        const int chan[4] = {0, colour ? 1 : 0, colour ? 2 : 0, alphaIndex};
        for (int y = 0; y < img.height(); ++y) {
            uint8_t* d = img.row(y);
            for (int ch = 0; ch < 4; ++ch) {
                if (chan[ch] < 0)
                    continue;
                const opj_image_comp_t& comp = im.comps[chan[ch]];
                const Scaler scale(comp);
                const OPJ_UINT32 cy = std::min<OPJ_UINT32>(OPJ_UINT32(y) / comp.dy, comp.h - 1);
                const OPJ_INT32* src = comp.data + size_t(cy) * comp.w;
                if (comp.dx == 1 && comp.w >= OPJ_UINT32(img.width())) {
                    for (int x = 0; x < img.width(); ++x)
                        d[x * 4 + ch] = scale(src[x]);
                } else {
                    for (int x = 0; x < img.width(); ++x)
                        d[x * 4 + ch] = scale(src[std::min<OPJ_UINT32>(OPJ_UINT32(x) / comp.dx, comp.w - 1)]);
                }
            }
            if (ycc) {
                for (int x = 0; x < img.width(); ++x) {
                    uint8_t* p = d + x * 4;
                    const int yv = p[0], cb = p[1] - 128, cr = p[2] - 128;
                    p[0] = uint8_t(std::clamp(yv + ((91881 * cr + 32768) >> 16), 0, 255));
                    p[1] = uint8_t(std::clamp(yv - ((22554 * cb + 46802 * cr + 32768) >> 16), 0, 255));
                    p[2] = uint8_t(std::clamp(yv + ((116130 * cb + 32768) >> 16), 0, 255));
                }
            }
        }
        if (alphaIndex >= 0)
            img.setBitsPerPixel(32);
        else if (colour)
            img.setBitsPerPixel(24);
        else
            img.setBitsPerPixel(im.comps[0].prec == 1 ? 1 : 8);
        out = std::move(img);
        return Status::ok();
    } catch (const std::bad_alloc&) {
        return Status::fail("not enough memory for the image");
    } catch (const std::exception& e) {
        return Status::fail(e.what());
    }
}

Status encodeJp2(const Image& image, std::vector<uint8_t>& out, bool codestream)
{
    if (image.isEmpty())
        return Status::fail("there is no image to write");
    const OPJ_UINT32 w = OPJ_UINT32(image.width()), h = OPJ_UINT32(image.height());
    const OPJ_UINT32 numcomps = image.hasAlpha() ? 4 : 3;
    try {
        OpjObjects o;
        opj_image_cmptparm_t cp[4];
        std::memset(cp, 0, sizeof cp);
        for (OPJ_UINT32 c = 0; c < numcomps; ++c) {
            cp[c].dx = cp[c].dy = 1;
            cp[c].w = w;
            cp[c].h = h;
            cp[c].prec = 8;
            cp[c].sgnd = 0;
        }
        o.image = opj_image_create(numcomps, cp, OPJ_CLRSPC_SRGB);
        if (!o.image)
            return Status::fail("not enough memory for the JPEG 2000 image");
        o.image->x0 = o.image->y0 = 0;
        o.image->x1 = w;
        o.image->y1 = h;
        if (numcomps == 4)
            o.image->comps[3].alpha = 1;
        for (OPJ_UINT32 y = 0; y < h; ++y) {
            const uint8_t* s = image.row(int(y));
            const size_t base = size_t(y) * w;
            for (OPJ_UINT32 x = 0; x < w; ++x, s += 4)
                for (OPJ_UINT32 c = 0; c < numcomps; ++c)
                    o.image->comps[c].data[base + x] = s[c];
        }

        opj_cparameters_t params;
        opj_set_default_encoder_parameters(&params);
        params.tcp_numlayers = 1;
        params.tcp_rates[0] = 0;  // no rate target: lossless
        params.cp_disto_alloc = 1;
        params.irreversible = 0;  // 5-3 wavelet
        params.tcp_mct = 1;       // reversible colour transform
        // Each resolution level halves the image; a level smaller than one pixel is refused.
        int levels = 1;
        while (levels < 6 && (std::min(w, h) >> levels) >= 1)
            ++levels;
        params.numresolution = levels;

        Messages messages;
        o.codec = opj_create_compress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
        if (!o.codec)
            return Status::fail("cannot start the JPEG 2000 encoder");
        setHandlers(o.codec, &messages);
        if (!opj_setup_encoder(o.codec, &params, o.image))
            return failWith(messages, "cannot set up the encoder");
        useThreads(o.codec);

        std::vector<uint8_t> bytes;
        WriteStream sink{&bytes, 0};
        o.stream = opj_stream_create(1 << 16, OPJ_FALSE);
        if (!o.stream)
            return Status::fail("cannot start the JPEG 2000 encoder");
        opj_stream_set_user_data(o.stream, &sink, nullptr);
        opj_stream_set_write_function(o.stream, streamWrite);
        opj_stream_set_skip_function(o.stream, streamWriteSkip);
        opj_stream_set_seek_function(o.stream, streamWriteSeek);
        if (!opj_start_compress(o.codec, o.image, o.stream) || !opj_encode(o.codec, o.stream) ||
            !opj_end_compress(o.codec, o.stream))
            return failWith(messages, "cannot encode the image");
        // End of compression has flushed everything into `bytes`.
        opj_stream_destroy(o.stream);
        o.stream = nullptr;
        out = std::move(bytes);
        return Status::ok();
    } catch (const std::bad_alloc&) {
        return Status::fail("not enough memory for the JPEG 2000 data");
    }
}

} // namespace mw::codecs
