// GIF through giflib on memory. Reading gives the first frame composed on the logical screen
// (uncovered screen and the transparent colour come out transparent). Writing reduces the
// image to one 256-colour palette: exact when it has at most 256 colours, median cut
// otherwise; pixels with alpha below 128 take a reserved transparent entry.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <unordered_map>

namespace mw::codecs {

namespace {

struct GifSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

extern "C" int gifRead(GifFileType* gif, GifByteType* buf, int n)
{
    auto* s = static_cast<GifSource*>(gif->UserData);
    if (n <= 0)
        return 0;
    const size_t count = std::min(size_t(n), s->size - s->pos);
    std::memcpy(buf, s->data + s->pos, count);
    s->pos += count;
    return int(count);
}

extern "C" int gifWrite(GifFileType* gif, const GifByteType* buf, int n)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), buf, buf + n);
    } catch (...) {
        return 0;
    }
    return n;
}

std::string gifReason(int code, const char* fallback)
{
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text ? text : fallback);
}

class GifReader {
public:
    explicit GifReader(GifSource* source) { m_gif = DGifOpen(source, gifRead, &m_error); }
    ~GifReader()
    {
        if (m_gif)
            DGifCloseFile(m_gif, nullptr);
    }
    GifReader(const GifReader&) = delete;
    GifReader& operator=(const GifReader&) = delete;
    GifFileType* get() const { return m_gif; }
    Status fail(const char* fallback) const
    {
        return Status::fail(gifReason(m_gif ? m_gif->Error : m_error, fallback));
    }

private:
    GifFileType* m_gif = nullptr;
    int m_error = 0;
};

// ---- palette reduction -----------------------------------------------------------------------

struct Palette {
    std::vector<Color> colours;
    int transparent = -1;
    std::vector<uint8_t> indices;  // one per pixel
};

constexpr uint32_t rgbKey(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

// Exact palette when the opaque colours fit beside the transparent entry; false otherwise.
bool exactPalette(const Image& image, Palette& pal)
{
    bool needTransparent = false;
    if (image.hasAlpha()) {
        for (int y = 0; y < image.height() && !needTransparent; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.row(y)[x * 4 + 3] < 128) {
                    needTransparent = true;
                    break;
                }
    }
    const size_t limit = needTransparent ? 255 : 256;
    std::unordered_map<uint32_t, uint8_t> index;
    index.reserve(512);
    pal.indices.resize(size_t(image.width()) * size_t(image.height()));
    if (needTransparent) {
        pal.transparent = 0;
        pal.colours.push_back(Color{0, 0, 0});
    }
    size_t i = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* p = image.row(y);
        for (int x = 0; x < image.width(); ++x, p += 4, ++i) {
            if (needTransparent && p[3] < 128) {
                pal.indices[i] = 0;
                continue;
            }
            const uint32_t key = rgbKey(p);
            auto it = index.find(key);
            if (it == index.end()) {
                if (index.size() >= limit)
                    return false;
                const auto slot = uint8_t(pal.colours.size());
                it = index.emplace(key, slot).first;
                pal.colours.push_back(Color{p[0], p[1], p[2]});
            }
            pal.indices[i] = it->second;
        }
    }
    return true;
}

// Median cut over a 5-bit-per-channel histogram; entries are the mean colours of their boxes.
void medianCutPalette(const Image& image, Palette& pal)
{
    constexpr int kBins = 32 * 32 * 32;
    struct Bin {
        uint32_t count = 0;
        uint64_t r = 0, g = 0, b = 0;
    };
    std::vector<Bin> hist(kBins);
    bool needTransparent = false;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* p = image.row(y);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            if (image.hasAlpha() && p[3] < 128) {
                needTransparent = true;
                continue;
            }
            Bin& bin = hist[(p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3)];
            ++bin.count;
            bin.r += p[0];
            bin.g += p[1];
            bin.b += p[2];
        }
    }

    struct Box {
        int lo[3], hi[3];  // inclusive bin ranges per channel
        uint64_t count;
    };
    auto binAt = [&](int r, int g, int b) -> const Bin& { return hist[r << 10 | g << 5 | b]; };
    // Shrinks a box to the bins it actually uses and counts its pixels.
    auto fit = [&](Box& box) {
        int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
        uint64_t count = 0;
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const uint32_t c = binAt(r, g, b).count;
                    if (!c)
                        continue;
                    count += c;
                    const int v[3] = {r, g, b};
                    for (int k = 0; k < 3; ++k) {
                        lo[k] = std::min(lo[k], v[k]);
                        hi[k] = std::max(hi[k], v[k]);
                    }
                }
        box.count = count;
        if (count)
            for (int k = 0; k < 3; ++k) {
                box.lo[k] = lo[k];
                box.hi[k] = hi[k];
            }
    };

    const size_t target = needTransparent ? 255 : 256;
    std::vector<Box> boxes;
    Box all{{0, 0, 0}, {31, 31, 31}, 0};
    fit(all);
    if (all.count)
        boxes.push_back(all);
    while (boxes.size() < target) {
        // Split the box with the most pixels times its longest side: big, spread-out boxes first.
        int best = -1;
        uint64_t bestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const Box& b = boxes[i];
            const int extent = std::max({b.hi[0] - b.lo[0], b.hi[1] - b.lo[1], b.hi[2] - b.lo[2]});
            const uint64_t score = b.count * uint64_t(extent);
            if (extent > 0 && score > bestScore) {
                bestScore = score;
                best = int(i);
            }
        }
        if (best < 0)
            break;
        Box box = boxes[size_t(best)];
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis])
                axis = k;
        // Pixel counts per slice along the axis, then cut where half the pixels lie below.
        std::array<uint64_t, 32> slice{};
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const int v[3] = {r, g, b};
                    slice[size_t(v[axis])] += binAt(r, g, b).count;
                }
        uint64_t below = 0;
        int cut = box.lo[axis];
        for (int v = box.lo[axis]; v < box.hi[axis]; ++v) {
            below += slice[size_t(v)];
            cut = v;
            if (below * 2 >= box.count)
                break;
        }
        Box a = box, b = box;
        a.hi[axis] = cut;
        b.lo[axis] = cut + 1;
        fit(a);
        fit(b);
        boxes[size_t(best)] = a;
        boxes.push_back(b);
    }

    if (needTransparent) {
        pal.transparent = 0;
        pal.colours.push_back(Color{0, 0, 0});
    }
    std::vector<int16_t> binToIndex(kBins, -1);
    for (const Box& box : boxes) {
        uint64_t n = 0, r = 0, g = 0, b = 0;
        for (int br = box.lo[0]; br <= box.hi[0]; ++br)
            for (int bg = box.lo[1]; bg <= box.hi[1]; ++bg)
                for (int bb = box.lo[2]; bb <= box.hi[2]; ++bb) {
                    const Bin& bin = binAt(br, bg, bb);
                    n += bin.count;
                    r += bin.r;
                    g += bin.g;
                    b += bin.b;
                    binToIndex[size_t(br << 10 | bg << 5 | bb)] = int16_t(pal.colours.size());
                }
        if (!n)
            n = 1;
        pal.colours.push_back(Color{uint8_t((r + n / 2) / n), uint8_t((g + n / 2) / n), uint8_t((b + n / 2) / n)});
    }

    pal.indices.resize(size_t(image.width()) * size_t(image.height()));
    size_t i = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* p = image.row(y);
        for (int x = 0; x < image.width(); ++x, p += 4, ++i) {
            if (needTransparent && p[3] < 128) {
                pal.indices[i] = uint8_t(pal.transparent);
                continue;
            }
            const int16_t idx = binToIndex[size_t((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3))];
            pal.indices[i] = uint8_t(std::max<int16_t>(idx, 0));
        }
    }
}

} // namespace

Status decodeGif(Bytes in, Image& out, DecodeExtras&)
{
    if (in.size() < 6 || (std::memcmp(in.data(), "GIF87a", 6) != 0 && std::memcmp(in.data(), "GIF89a", 6) != 0))
        return Status::fail("not a GIF file (bad signature)");
    GifSource source{in.data(), in.size(), 0};
    GifReader reader(&source);
    GifFileType* gif = reader.get();
    if (!gif)
        return reader.fail("cannot read the header");

    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return reader.fail("damaged data");
        if (type == TERMINATE_RECORD_TYPE)
            return Status::fail("GIF: the file holds no image");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
                return reader.fail("damaged extension");
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
                    transparent = gcb.TransparentColor;
            }
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
                    return reader.fail("damaged extension");
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            return Status::fail("GIF: damaged data (unknown record)");

        if (DGifGetImageDesc(gif) == GIF_ERROR)
            return reader.fail("damaged image descriptor");
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map || !map->Colors || map->ColorCount <= 0)
            return Status::fail("GIF: the image has no colour table");
        if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0)
            return Status::fail("GIF: the frame has no pixels");
        // A zero-sized screen is taken from the frame; otherwise the frame is clipped to it.
        int screenW = gif->SWidth, screenH = gif->SHeight;
        if (screenW <= 0 || screenH <= 0) {
            screenW = desc.Left + desc.Width;
            screenH = desc.Top + desc.Height;
        }
        if (Status size = checkDecodeSize(screenW, screenH); !size)
            return size;
        if (Status size = checkDecodeSize(desc.Width, desc.Height); !size)
            return size;
        try {
            Image img(screenW, screenH, true, Rgba{0, 0, 0, 0});
            std::vector<GifPixelType> line(size_t(desc.Width));
            bool anyTransparent = desc.Left > 0 || desc.Top > 0 || desc.Left + desc.Width < screenW ||
                                  desc.Top + desc.Height < screenH;
            auto putRow = [&](int row) {
                const int y = desc.Top + row;
                if (y >= screenH)
                    return;
                uint8_t* d = img.row(y);
                const int xEnd = std::min(desc.Width, screenW - desc.Left);
                for (int x = 0; x < xEnd; ++x) {
                    const int idx = line[size_t(x)];
                    uint8_t* p = d + size_t(desc.Left + x) * 4;
                    if (idx == transparent) {
                        anyTransparent = true;
                        continue;  // stays clear
                    }
                    const GifColorType c = idx < map->ColorCount ? map->Colors[idx] : GifColorType{0, 0, 0};
                    p[0] = c.Red;
                    p[1] = c.Green;
                    p[2] = c.Blue;
                    p[3] = 255;
                }
            };
            if (desc.Interlace) {
                static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
                for (int pass = 0; pass < 4; ++pass)
                    for (int row = kStart[pass]; row < desc.Height; row += kStep[pass]) {
                        if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                            return reader.fail("damaged pixel data");
                        putRow(row);
                    }
            } else {
                for (int row = 0; row < desc.Height; ++row) {
                    if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                        return reader.fail("damaged pixel data");
                    putRow(row);
                }
            }
            img.setHasAlpha(anyTransparent);
            img.setBitsPerPixel(8);
            out = std::move(img);
            return Status::ok();
        } catch (const std::bad_alloc&) {
            return Status::fail("not enough memory for the image");
        } catch (const std::exception& e) {
            return Status::fail(e.what());
        }
    }
}

Status encodeGif(const Image& image, std::vector<uint8_t>& out)
{
    if (image.isEmpty())
        return Status::fail("there is no image to write");
    if (image.width() > 65535 || image.height() > 65535)
        return Status::fail("the image is too large for GIF");
    try {
        Palette pal;
        if (!exactPalette(image, pal)) {
            pal = Palette{};
            medianCutPalette(image, pal);
        }
        int bits = 1;
        while ((size_t(1) << bits) < pal.colours.size())
            ++bits;
        std::vector<GifColorType> colours(size_t(1) << bits, GifColorType{0, 0, 0});
        for (size_t i = 0; i < pal.colours.size(); ++i)
            colours[i] = GifColorType{pal.colours[i].r, pal.colours[i].g, pal.colours[i].b};

        std::vector<uint8_t> bytes;
        int err = 0;
        GifFileType* gif = EGifOpen(&bytes, gifWrite, &err);
        if (!gif)
            return Status::fail(gifReason(err, "cannot start the encoder"));
        ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
        bool ok = map != nullptr;
        if (ok) {
            EGifSetGifVersion(gif, true);
            ok = EGifPutScreenDesc(gif, image.width(), image.height(), bits, 0, map) != GIF_ERROR;
        }
        if (ok && pal.transparent >= 0) {
            // Graphics control: transparent flag, no delay, the transparent index.
            const GifByteType gce[4] = {0x01, 0, 0, GifByteType(pal.transparent)};
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce) != GIF_ERROR;
        }
        if (ok)
            ok = EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) != GIF_ERROR;
        for (int y = 0; ok && y < image.height(); ++y)
            ok = EGifPutLine(gif, pal.indices.data() + size_t(y) * size_t(image.width()), image.width()) != GIF_ERROR;
        const int writeError = gif->Error;
        if (map)
            GifFreeMapObject(map);
        int closeError = 0;
        const bool closed = EGifCloseFile(gif, &closeError) != GIF_ERROR;
        if (!ok)
            return Status::fail(gifReason(writeError, "cannot write the image"));
        if (!closed)
            return Status::fail(gifReason(closeError, "cannot finish the file"));
        out = std::move(bytes);
        return Status::ok();
    } catch (const std::bad_alloc&) {
        return Status::fail("not enough memory for the GIF data");
    }
}

} // namespace mw::codecs
