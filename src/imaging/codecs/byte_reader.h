#pragma once
// Small helpers shared by the hand-written codecs: a cursor over untrusted bytes that never
// reads past the end (a failed read sets a sticky flag and yields zeros), little/big-endian
// writers for the encoders, and the size check every decoder runs before allocating.
#include "imaging/codecs/codec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mw::codecs {

class ByteReader {
public:
    explicit ByteReader(Bytes data, size_t pos = 0) : m_data(data), m_pos(pos)
    {
        if (m_pos > m_data.size()) {
            m_pos = m_data.size();
            m_overrun = true;
        }
    }

    size_t pos() const { return m_pos; }
    size_t size() const { return m_data.size(); }
    size_t remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    // True once any read or skip went past the end of the data.
    bool overrun() const { return m_overrun; }

    bool has(size_t n) const { return n <= remaining(); }

    bool seek(size_t pos)
    {
        if (pos > m_data.size()) {
            m_overrun = true;
            m_pos = m_data.size();
            return false;
        }
        m_pos = pos;
        return true;
    }

    bool skip(size_t n)
    {
        if (!has(n)) {
            m_overrun = true;
            m_pos = m_data.size();
            return false;
        }
        m_pos += n;
        return true;
    }

    uint8_t u8()
    {
        if (!has(1)) {
            m_overrun = true;
            return 0;
        }
        return m_data[m_pos++];
    }

    // Next byte without consuming it; -1 at the end.
    int peek() const { return atEnd() ? -1 : m_data[m_pos]; }

    uint16_t u16le()
    {
        if (!has(2)) {
            m_overrun = true;
            m_pos = m_data.size();
            return 0;
        }
        const uint16_t v = uint16_t(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }

    uint32_t u32le()
    {
        if (!has(4)) {
            m_overrun = true;
            m_pos = m_data.size();
            return 0;
        }
        const uint32_t v = uint32_t(m_data[m_pos]) | (uint32_t(m_data[m_pos + 1]) << 8) |
                           (uint32_t(m_data[m_pos + 2]) << 16) | (uint32_t(m_data[m_pos + 3]) << 24);
        m_pos += 4;
        return v;
    }

    int32_t i32le() { return int32_t(u32le()); }

    // A view of the next n bytes (empty and overrun when fewer remain).
    Bytes bytes(size_t n)
    {
        if (!has(n)) {
            m_overrun = true;
            m_pos = m_data.size();
            return {};
        }
        Bytes v = m_data.subspan(m_pos, n);
        m_pos += n;
        return v;
    }

private:
    Bytes m_data;
    size_t m_pos = 0;
    bool m_overrun = false;
};

inline void putU8(std::vector<uint8_t>& out, unsigned v) { out.push_back(uint8_t(v)); }

inline void putU16le(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void putU32le(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 24));
}

// Refuses a decoded size before any allocation: zero sides, and anything checkImageSize refuses.
inline Status checkDecodeSize(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        return Status::fail("the image has no pixels (" + std::to_string(width) + " x " +
                            std::to_string(height) + ")");
    if (auto why = checkImageSize(width, height))
        return Status::fail(*why);
    return Status::ok();
}

inline Status truncated() { return Status::fail("the file is truncated"); }

// Integer luma (BT.601 weights) for writers that store grey or black-and-white.
inline int lumaOf(const uint8_t* rgba)
{
    return (rgba[0] * 299 + rgba[1] * 587 + rgba[2] * 114 + 500) / 1000;
}

} // namespace mw::codecs
