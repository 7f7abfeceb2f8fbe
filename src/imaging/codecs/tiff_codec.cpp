// TIFF through libtiff on memory (TIFFClientOpenExt). Messages from the library are captured
// per handle and become the failure reason; nothing is printed.
//
// Plain 8-bit RGB(A) and grey(+alpha) strips are read row by row straight into the image, so
// unassociated alpha comes back exactly as written; everything else goes through libtiff's
// RGBA interface, which premultiplies alpha (undone here).
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

namespace mw::codecs {

namespace {

// Largest single allocation libtiff may make on its own (strip buffers, tag arrays).
constexpr tmsize_t kMaxTiffAlloc = tmsize_t(256) << 20;
constexpr char kClientName[] = "memory";

struct MemFile {
    const uint8_t* readData = nullptr;   // decoding
    std::vector<uint8_t>* writeData = nullptr;  // encoding
    uint64_t size = 0;
    uint64_t pos = 0;
};

extern "C" tmsize_t memRead(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<MemFile*>(h);
    if (n <= 0 || f->pos >= f->size)
        return 0;
    const uint64_t count = std::min<uint64_t>(uint64_t(n), f->size - f->pos);
    const uint8_t* src = f->readData ? f->readData : f->writeData->data();
    std::memcpy(buf, src + f->pos, size_t(count));
    f->pos += count;
    return tmsize_t(count);
}

extern "C" tmsize_t memWrite(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<MemFile*>(h);
    if (!f->writeData || n < 0)
        return -1;
    try {
        const uint64_t end = f->pos + uint64_t(n);
        if (end > f->writeData->size())
            f->writeData->resize(size_t(end));
        std::memcpy(f->writeData->data() + f->pos, buf, size_t(n));
        f->pos = end;
        f->size = std::max(f->size, end);
    } catch (...) {
        return -1;
    }
    return n;
}

extern "C" toff_t memSeek(thandle_t h, toff_t off, int whence)
{
    auto* f = static_cast<MemFile*>(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = f->pos;
    else if (whence == SEEK_END)
        base = f->size;
    const uint64_t target = base + off;
    if (target < base)  // wrapped
        return toff_t(-1);
    // Readers may seek past the end (the next read then returns nothing); writers fill later.
    f->pos = target;
    return target;
}

extern "C" int memClose(thandle_t) { return 0; }
extern "C" toff_t memSize(thandle_t h) { return static_cast<MemFile*>(h)->size; }
extern "C" int memMap(thandle_t, void**, toff_t*) { return 0; }
extern "C" void memUnmap(thandle_t, void*, toff_t) {}

extern "C" int captureError(TIFF*, void* user, const char* module, const char* fmt, va_list ap)
{
    auto* text = static_cast<std::string*>(user);
    if (text->empty()) {  // the first error is the cause; later ones are its echoes
        char buf[512];
        std::vsnprintf(buf, sizeof buf, fmt, ap);
        // Messages name the "file" first; ours is always the same memory buffer.
        const char* msg = buf;
        const size_t prefix = std::strlen(kClientName);
        if (std::strncmp(msg, kClientName, prefix) == 0 && std::strncmp(msg + prefix, ": ", 2) == 0)
            msg += prefix + 2;
        try {
            *text = msg;
            (void)module;
        } catch (...) {
        }
    }
    return 1;
}

extern "C" int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Owns one open TIFF handle plus its options and captured message.
class TiffHandle {
public:
    TiffHandle(MemFile& file, const char* mode)
    {
        m_options = TIFFOpenOptionsAlloc();
        if (!m_options)
            return;
        TIFFOpenOptionsSetMaxSingleMemAlloc(m_options, kMaxTiffAlloc);
        TIFFOpenOptionsSetErrorHandlerExtR(m_options, captureError, &m_error);
        TIFFOpenOptionsSetWarningHandlerExtR(m_options, ignoreWarning, nullptr);
        m_tif = TIFFClientOpenExt(kClientName, mode, &file, memRead, memWrite, memSeek, memClose,
                                  memSize, memMap, memUnmap, m_options);
    }
    ~TiffHandle()
    {
        if (m_tif)
            TIFFClose(m_tif);
        if (m_options)
            TIFFOpenOptionsFree(m_options);
    }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    TIFF* get() const { return m_tif; }
    // Closing flushes the directory of a file being written.
    bool close()
    {
        if (!m_tif)
            return false;
        TIFFClose(m_tif);
        m_tif = nullptr;
        return m_error.empty();
    }
    Status fail(const std::string& fallback) const
    {
        return Status::fail("TIFF: " + (m_error.empty() ? fallback : m_error));
    }

private:
    TIFFOpenOptions* m_options = nullptr;
    TIFF* m_tif = nullptr;
    std::string m_error;
};

void unpremultiply(Image& img)
{
    for (int y = 0; y < img.height(); ++y) {
        uint8_t* p = img.row(y);
        for (int x = 0; x < img.width(); ++x, p += 4) {
            const int a = p[3];
            if (a == 0 || a == 255)
                continue;
            for (int c = 0; c < 3; ++c)
                p[c] = uint8_t(std::min(255, (p[c] * 255 + a / 2) / a));
        }
    }
}

bool anyTransparent(const Image& img)
{
    for (int y = 0; y < img.height(); ++y) {
        const uint8_t* p = img.row(y);
        for (int x = 0; x < img.width(); ++x)
            if (p[x * 4 + 3] != 255)
                return true;
    }
    return false;
}

// Row-by-row read of 8-bit contiguous RGB / grey strips, with an optional alpha sample.
Status readPlainStrips(TiffHandle& h, Image& img, int spp, bool rgb, bool associated)
{
    TIFF* tif = h.get();
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    const int colours = rgb ? 3 : 1;
    if (lineSize < tmsize_t(img.width()) * spp)
        return Status::fail("TIFF: inconsistent scanline size");
    std::vector<uint8_t> line(static_cast<size_t>(lineSize));
    for (int y = 0; y < img.height(); ++y) {
        if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0)
            return h.fail("cannot read row " + std::to_string(y));
        uint8_t* d = img.row(y);
        const uint8_t* s = line.data();
        for (int x = 0; x < img.width(); ++x, s += spp, d += 4) {
            if (rgb) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else {
                d[0] = d[1] = d[2] = s[0];
            }
            d[3] = spp > colours ? s[colours] : 255;
        }
    }
    if (associated)
        unpremultiply(img);
    return Status::ok();
}

} // namespace

Status decodeTiff(Bytes in, Image& out, DecodeExtras& extras)
{
    if (in.size() < 8 || !((in[0] == 'I' && in[1] == 'I') || (in[0] == 'M' && in[1] == 'M')))
        return Status::fail("not a TIFF file (bad signature)");
    MemFile file;
    file.readData = in.data();
    file.size = in.size();
    TiffHandle h(file, "rm");
    if (!h.get())
        return h.fail("cannot read the file header");
    TIFF* tif = h.get();

    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
        return h.fail("the image size is missing");
    if (Status size = checkDecodeSize(width, height); !size)
        return size;

    uint16_t bits = 1, spp = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, orientation = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    const bool hasPhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 0;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    const bool associated = extraCount > 0 && extraTypes && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;

    try {
        Image img(static_cast<int>(width), static_cast<int>(height));
        const bool rgb = photometric == PHOTOMETRIC_RGB;
        const bool plain = hasPhotometric && bits == 8 && !TIFFIsTiled(tif) &&
                           (planar == PLANARCONFIG_CONTIG || spp == 1) &&
                           ((rgb && (spp == 3 || spp == 4)) ||
                            (photometric == PHOTOMETRIC_MINISBLACK && (spp == 1 || spp == 2)));
        if (plain) {
            if (Status st = readPlainStrips(h, img, spp, rgb, associated); !st)
                return st;
        } else {
            char why[1024] = {};
            if (!TIFFRGBAImageOK(tif, why))
                return Status::fail(std::string("TIFF: ") + why);
            TIFFRGBAImage rgba{};
            if (!TIFFRGBAImageBegin(&rgba, tif, 0, why))
                return Status::fail(std::string("TIFF: ") + why);
            // Rows in stored order; the Orientation tag is reported and applied by the caller.
            rgba.req_orientation = ORIENTATION_TOPLEFT;
            rgba.orientation = ORIENTATION_TOPLEFT;
            // The packed ABGR words are R, G, B, A bytes in memory on little-endian machines.
            static_assert(std::endian::native == std::endian::little);
            const int ok = TIFFRGBAImageGet(&rgba, reinterpret_cast<uint32_t*>(img.data()), width, height);
            TIFFRGBAImageEnd(&rgba);
            if (!ok)
                return h.fail("cannot read the pixels");
            if (anyTransparent(img))
                unpremultiply(img);
        }
        const bool alpha = anyTransparent(img) || (plain && spp == (rgb ? 4 : 2));
        img.setHasAlpha(alpha);
        if (alpha)
            img.setBitsPerPixel(32);
        else if (photometric == PHOTOMETRIC_PALETTE || photometric == PHOTOMETRIC_MINISBLACK ||
                 photometric == PHOTOMETRIC_MINISWHITE)
            img.setBitsPerPixel(bits == 1 ? 1 : 8);
        else
            img.setBitsPerPixel(24);
        extras.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
        out = std::move(img);
        return Status::ok();
    } catch (const std::bad_alloc&) {
        return Status::fail("not enough memory for the image");
    } catch (const std::exception& e) {
        return Status::fail(e.what());
    }
}

Status encodeTiff(const Image& image, std::vector<uint8_t>& out)
{
    if (image.isEmpty())
        return Status::fail("there is no image to write");
    try {
        std::vector<uint8_t> bytes;
        MemFile file;
        file.writeData = &bytes;
        TiffHandle h(file, "w");
        if (!h.get())
            return h.fail("cannot start the TIFF encoder");
        TIFF* tif = h.get();
        const bool alpha = image.hasAlpha();
        const int spp = alpha ? 4 : 3;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(image.width()));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(image.height()));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        if (alpha) {
            const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
        // The predictor works in place, so every row is copied into a scratch line first.
        std::vector<uint8_t> line(size_t(image.width()) * size_t(spp));
        for (int y = 0; y < image.height(); ++y) {
            const uint8_t* s = image.row(y);
            if (alpha) {
                std::memcpy(line.data(), s, line.size());
            } else {
                uint8_t* d = line.data();
                for (int x = 0; x < image.width(); ++x, s += 4, d += 3) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
            }
            if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) < 0)
                return h.fail("cannot write row " + std::to_string(y));
        }
        if (!h.close())
            return h.fail("cannot finish the file");
        out = std::move(bytes);
        return Status::ok();
    } catch (const std::bad_alloc&) {
        return Status::fail("not enough memory for the TIFF data");
    }
}

} // namespace mw::codecs
