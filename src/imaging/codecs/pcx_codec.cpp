// ZSoft PCX and its multi-page wrapper DCX.
//
// Reading: 1-bit mono, 1-bit planar with 2..4 planes and 2/4-bit packed (16-colour header
// palette), 8-bit with the 256-colour palette after the 0x0C marker at the end, 24-bit as
// three 8-bit planes (a fourth plane is alpha), RLE or uncompressed. Runs may continue from one
// scan line into the next, as some writers emit them.
// Writing: 8-bit with a palette when bitsPerPixel() is 8 and the colours fit, otherwise 24-bit
// as three planes; RLE, runs never crossing a plane line. DCX holds one page.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace mw::codecs {

namespace {

constexpr uint32_t kDcxMagic = 0x3ADE68B1;
constexpr size_t kDcxMaxPages = 1023;

// Used by version 3 files, which carry no palette of their own.
constexpr uint8_t kEgaPalette[16][3] = {
    {0, 0, 0},       {0, 0, 170},     {0, 170, 0},     {0, 170, 170},
    {170, 0, 0},     {170, 0, 170},   {170, 85, 0},    {170, 170, 170},
    {85, 85, 85},    {85, 85, 255},   {85, 255, 85},   {85, 255, 255},
    {255, 85, 85},   {255, 85, 255},  {255, 255, 85},  {255, 255, 255}};

// Unpacks the RLE stream one scan line at a time; a run left over at the end of a line
// carries into the next.
class RleReader {
public:
    RleReader(Bytes data, bool compressed) : m_data(data), m_compressed(compressed) {}

    bool readLine(uint8_t* dst, size_t n)
    {
        if (!m_compressed) {
            if (m_pos + n > m_data.size())
                return false;
            std::copy_n(m_data.data() + m_pos, n, dst);
            m_pos += n;
            return true;
        }
        size_t i = 0;
        while (i < n) {
            if (m_runLeft > 0) {
                const size_t k = std::min<size_t>(m_runLeft, n - i);
                std::fill_n(dst + i, k, m_runValue);
                i += k;
                m_runLeft -= unsigned(k);
                continue;
            }
            if (m_pos >= m_data.size())
                return false;
            const uint8_t c = m_data[m_pos++];
            if ((c & 0xC0) == 0xC0) {
                if (m_pos >= m_data.size())
                    return false;
                m_runLeft = c & 0x3F;
                m_runValue = m_data[m_pos++];
            } else {
                dst[i++] = c;
            }
        }
        return true;
    }

private:
    Bytes m_data;
    bool m_compressed;
    size_t m_pos = 0;
    unsigned m_runLeft = 0;
    uint8_t m_runValue = 0;
};

void putRle(std::vector<uint8_t>& out, const uint8_t* line, size_t n)
{
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 63 && line[i + run] == line[i])
            ++run;
        if (run > 1 || (line[i] & 0xC0) == 0xC0)
            out.push_back(uint8_t(0xC0 | run));
        out.push_back(line[i]);
        i += run;
    }
}

} // namespace

Status decodePcx(Bytes in, Image& out, DecodeExtras&)
{
    if (in.empty() || in[0] != 0x0A)
        return Status::fail("not a PCX file");
    if (in.size() < 128)
        return truncated();
    ByteReader r(in, 1);
    const unsigned version = r.u8();
    const unsigned encoding = r.u8();
    const unsigned bits = r.u8();
    const int64_t xMin = r.u16le(), yMin = r.u16le(), xMax = r.u16le(), yMax = r.u16le();
    r.seek(65);
    const unsigned planes = r.u8();
    const size_t bytesPerLine = r.u16le();
    if (encoding > 1)
        return Status::fail("unsupported PCX encoding " + std::to_string(encoding));
    const int64_t width = xMax - xMin + 1;
    const int64_t height = yMax - yMin + 1;
    if (Status st = checkDecodeSize(width, height); !st)
        return st;

    enum class Layout { Mono, Planar, Packed, Palette8, Rgb };
    Layout layout;
    if (bits == 1 && planes == 1)
        layout = Layout::Mono;
    else if (bits == 1 && planes >= 2 && planes <= 4)
        layout = Layout::Planar;
    else if ((bits == 2 || bits == 4) && planes == 1)
        layout = Layout::Packed;
    else if (bits == 8 && planes == 1)
        layout = Layout::Palette8;
    else if (bits == 8 && (planes == 3 || planes == 4))
        layout = Layout::Rgb;
    else
        return Status::fail("unsupported PCX layout: " + std::to_string(bits) + " bits x " +
                            std::to_string(planes) + " planes");
    const size_t w = size_t(width), h = size_t(height);
    if (bytesPerLine < (w * bits + 7) / 8)
        return Status::fail("PCX scan lines are shorter than the image width");

    std::array<Rgba, 256> pal{};
    size_t dataEnd = in.size();
    if (layout == Layout::Palette8) {
        // The palette is the last 768 bytes, after a 0x0C marker; without one, grey.
        if (in.size() >= 128 + 769 && in[in.size() - 769] == 0x0C) {
            const uint8_t* p = in.data() + in.size() - 768;
            for (int i = 0; i < 256; ++i)
                pal[size_t(i)] = Rgba{p[3 * i], p[3 * i + 1], p[3 * i + 2], 255};
            dataEnd = in.size() - 769;
        } else {
            for (int i = 0; i < 256; ++i)
                pal[size_t(i)] = Rgba{uint8_t(i), uint8_t(i), uint8_t(i), 255};
        }
    } else if (layout == Layout::Mono) {
        pal[0] = Rgba{0, 0, 0, 255};
        pal[1] = Rgba{255, 255, 255, 255};
    } else if (layout != Layout::Rgb) {
        for (int i = 0; i < 16; ++i) {
            const uint8_t* c = version == 3 ? kEgaPalette[i] : in.data() + 16 + 3 * i;
            pal[size_t(i)] = Rgba{c[0], c[1], c[2], 255};
        }
    }

    const size_t lineBytes = bytesPerLine * planes;
    const size_t total = lineBytes * h;
    const size_t available = dataEnd - 128;
    // A two-byte RLE pair yields at most 63 bytes: anything shorter than that is cut off.
    const size_t minBytes = encoding == 1 ? (total + 62) / 63 * 2 : total;
    if (available < minBytes)
        return truncated();

    const bool alpha = layout == Layout::Rgb && planes == 4;
    Image img(int(w), int(h), alpha);
    RleReader rle(in.subspan(128, available), encoding == 1);
    std::vector<uint8_t> line(lineBytes);
    for (size_t y = 0; y < h; ++y) {
        if (!rle.readLine(line.data(), lineBytes))
            return truncated();
        uint8_t* d = img.row(int(y));
        for (size_t x = 0; x < w; ++x, d += 4) {
            Rgba c;
            switch (layout) {
            case Layout::Mono:
            case Layout::Planar: {
                unsigned index = 0;
                for (unsigned p = 0; p < planes; ++p)
                    index |= unsigned((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p;
                c = pal[index];
                break;
            }
            case Layout::Packed: {
                const unsigned perByte = 8 / bits;
                const unsigned shift = 8 - bits * unsigned(x % perByte + 1);
                c = pal[(line[x / perByte] >> shift) & ((1u << bits) - 1)];
                break;
            }
            case Layout::Palette8:
                c = pal[line[x]];
                break;
            case Layout::Rgb:
                c = Rgba{line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x],
                         alpha ? line[3 * bytesPerLine + x] : uint8_t(255)};
                break;
            }
            d[0] = c.r, d[1] = c.g, d[2] = c.b, d[3] = c.a;
        }
    }
    img.setBitsPerPixel(alpha ? 32 : layout == Layout::Rgb ? 24 : layout == Layout::Mono ? 1 : 8);
    out = std::move(img);
    return Status::ok();
}

Status encodePcx(const Image& image, std::vector<uint8_t>& out)
{
    const size_t w = size_t(image.width()), h = size_t(image.height());
    if (w > 0xFFFF || h > 0xFFFF)
        return Status::fail("the image is too large for a PCX file");

    std::vector<uint32_t> palette;
    std::unordered_map<uint32_t, uint8_t> indexOf;
    bool paletted = false;
    if (image.bitsPerPixel() == 8 && !image.hasAlpha()) {
        paletted = true;
        for (size_t y = 0; y < h && paletted; ++y) {
            const uint8_t* p = image.row(int(y));
            for (size_t x = 0; x < w; ++x, p += 4) {
                const uint32_t c = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
                if (indexOf.count(c))
                    continue;
                if (palette.size() == 256) {
                    paletted = false;
                    break;
                }
                indexOf[c] = uint8_t(palette.size());
                palette.push_back(c);
            }
        }
    }
    const unsigned planes = paletted ? 1 : 3;
    const size_t bytesPerLine = (w + 1) & ~size_t(1);  // even, as the format asks

    out.assign(128, 0);
    out[0] = 0x0A;
    out[1] = 5;  // version 3.0 with palette information
    out[2] = 1;  // RLE
    out[3] = 8;
    auto put16 = [&](size_t at, unsigned v) {
        out[at] = uint8_t(v);
        out[at + 1] = uint8_t(v >> 8);
    };
    put16(8, unsigned(w - 1));
    put16(10, unsigned(h - 1));
    put16(12, 72);
    put16(14, 72);
    out[65] = uint8_t(planes);
    put16(66, unsigned(bytesPerLine));
    put16(68, 1);  // colour / monochrome palette interpretation

    std::vector<uint8_t> line(bytesPerLine * planes, 0);
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* p = image.row(int(y));
        for (size_t x = 0; x < w; ++x, p += 4) {
            if (paletted) {
                line[x] = indexOf[(uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]];
            } else {
                line[x] = p[0];
                line[bytesPerLine + x] = p[1];
                line[2 * bytesPerLine + x] = p[2];
            }
        }
        for (unsigned pl = 0; pl < planes; ++pl)
            putRle(out, line.data() + pl * bytesPerLine, bytesPerLine);
    }
    if (paletted) {
        out.push_back(0x0C);
        for (size_t i = 0; i < 256; ++i) {
            const uint32_t c = i < palette.size() ? palette[i] : 0;
            out.push_back(uint8_t(c >> 16));
            out.push_back(uint8_t(c >> 8));
            out.push_back(uint8_t(c));
        }
    }
    return Status::ok();
}

Status decodeDcx(Bytes in, Image& out, DecodeExtras& extras)
{
    ByteReader r(in);
    const uint32_t magic = r.u32le();
    if (r.overrun() || magic != kDcxMagic)
        return Status::fail("not a DCX file");
    const uint32_t first = r.u32le();
    const uint32_t second = r.u32le();  // 0 when there is one page
    if (r.overrun())
        return truncated();
    if (first == 0)
        return Status::fail("the DCX file has no pages");
    if (first < 8 || first >= in.size())
        return first >= in.size() ? truncated() : Status::fail("bad DCX page offset");
    size_t end = in.size();
    if (second > first && second < in.size())
        end = second;
    return decodePcx(in.subspan(first, end - first), out, extras);
}

Status encodeDcx(const Image& image, std::vector<uint8_t>& out)
{
    std::vector<uint8_t> page;
    if (Status st = encodePcx(image, page); !st)
        return st;
    // Magic, then the full table of page offsets (first page, then zeros), then the page.
    const size_t tableBytes = 4 + (kDcxMaxPages + 1) * 4;
    out.clear();
    out.reserve(tableBytes + page.size());
    putU32le(out, kDcxMagic);
    putU32le(out, uint32_t(tableBytes));
    out.resize(tableBytes, 0);
    out.insert(out.end(), page.begin(), page.end());
    return Status::ok();
}

} // namespace mw::codecs
