#include "imaging/image.h"

#include "imaging/status.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace mw {

namespace {

// Photo-sized buffers are touched once per page on first write; with transparent huge pages a
// 24 MP picture takes ~50 page faults instead of ~25000, which is most of the cost of making
// a new image on a virtual machine. Advice only: nothing changes where it is not honoured.
void adviseHugePages([[maybe_unused]] uint8_t* data, [[maybe_unused]] size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t kMinBytes = detail::kHugePageBytes;
    constexpr uintptr_t kPage = 4096;
    if (bytes < kMinBytes)
        return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

} // namespace

namespace detail {

namespace {
size_t roundedToHugePages(size_t bytes)
{
    return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}
} // namespace

void* allocatePixels(size_t bytes)
{
    if (bytes < kHugePageBytes)
        return ::operator new(bytes);
    // Whole huge pages, so the last one can be a huge page too.
    const size_t rounded = roundedToHugePages(bytes);
    void* p = ::operator new(rounded, std::align_val_t(kHugePageBytes));
    adviseHugePages(static_cast<uint8_t*>(p), rounded);
    return p;
}

void freePixels(void* p, size_t bytes) noexcept
{
    if (bytes < kHugePageBytes)
        ::operator delete(p);
    else
        ::operator delete(p, std::align_val_t(kHugePageBytes));
}

} // namespace detail

std::optional<std::string> checkImageSize(int64_t width, int64_t height)
{
    if (width < 0 || height < 0)
        return "negative image size " + std::to_string(width) + " x " + std::to_string(height);
    if (width > kMaxImageSide || height > kMaxImageSide)
        return "image size " + std::to_string(width) + " x " + std::to_string(height) +
               " exceeds the limit of " + std::to_string(kMaxImageSide) + " pixels on a side";
    if (width * height > kMaxImagePixels)
        return "image size " + std::to_string(width) + " x " + std::to_string(height) +
               " exceeds the limit of " + std::to_string(kMaxImagePixels) + " pixels";
    return std::nullopt;
}

Image::Image(int width, int height, bool hasAlpha, Rgba fill)
{
    reset(width, height, hasAlpha, fill);
}

Image Image::uninitialized(int width, int height, bool hasAlpha, size_t reserveBytes)
{
    Image img;
    img.allocate(width, height, hasAlpha, reserveBytes);
    return img;
}

void Image::growCanvas(int left, int top, int right, int bottom)
{
    if (left < 0 || top < 0 || right < 0 || bottom < 0)
        throw Error("Cannot grow the canvas by a negative margin");
    const int64_t newW = int64_t(m_width) + left + right;
    const int64_t newH = int64_t(m_height) + top + bottom;
    if (auto why = checkImageSize(newW, newH))
        throw Error("Cannot allocate image: " + *why);
    const int oldW = m_width, oldH = m_height;
    const size_t oldStride = stride();
    m_pixels.resize(size_t(newW) * size_t(newH) * 4);
    m_width = int(newW);
    m_height = int(newH);
    // Every row lands at or after where it was, so moving from the bottom up never overwrites
    // a row still to be moved.
    for (int y = oldH - 1; y >= 0; --y)
        std::memmove(row(y + top) + size_t(left) * 4, m_pixels.data() + size_t(y) * oldStride, size_t(oldW) * 4);
}

void Image::allocate(int width, int height, bool hasAlpha, size_t reserveBytes)
{
    if (auto why = checkImageSize(width, height))
        throw Error("Cannot allocate image: " + *why);
    m_width = width;
    m_height = height;
    m_hasAlpha = hasAlpha;
    m_bitsPerPixel = hasAlpha ? 32 : 24;
    const size_t bytes = size_t(width) * size_t(height) * 4;
    if (m_pixels.capacity() < bytes || m_pixels.capacity() < reserveBytes) {
        // A fresh buffer of the whole capacity (a reserved border for growCanvas included),
        // rather than growing the old one: nothing is copied.
        decltype(m_pixels) fresh;
        const size_t capacity = std::max(bytes, reserveBytes);
        fresh.reserve(capacity);
        m_pixels.swap(fresh);
    }
    m_pixels.resize(bytes);
}

void Image::reset(int width, int height, bool hasAlpha, Rgba fillValue)
{
    allocate(width, height, hasAlpha);
    fill(fillValue);
}

void Image::clear()
{
    m_width = m_height = 0;
    m_hasAlpha = false;
    m_bitsPerPixel = 24;
    m_pixels.clear();
    m_pixels.shrink_to_fit();
}

void Image::setHasAlpha(bool on)
{
    if (!on && m_hasAlpha) {
        for (size_t i = 3; i < m_pixels.size(); i += 4)
            m_pixels[i] = 255;
    }
    m_hasAlpha = on;
    if (on)
        m_bitsPerPixel = 32;
    else if (m_bitsPerPixel == 32)
        m_bitsPerPixel = 24;
}

Rgba Image::pixel(int x, int y) const
{
    const uint8_t* p = row(y) + size_t(x) * 4;
    return Rgba{p[0], p[1], p[2], p[3]};
}

void Image::setPixel(int x, int y, Rgba v)
{
    uint8_t* p = row(y) + size_t(x) * 4;
    p[0] = v.r;
    p[1] = v.g;
    p[2] = v.b;
    p[3] = m_hasAlpha ? v.a : 255;
}

void Image::fill(Rgba v)
{
    if (!m_hasAlpha)
        v.a = 255;
    const size_t n = size_t(m_width) * size_t(m_height);
    if (n == 0)
        return;
    uint8_t* p = m_pixels.data();
    p[0] = v.r, p[1] = v.g, p[2] = v.b, p[3] = v.a;
    // Doubling copy: a few memcpy calls instead of a per-pixel loop.
    size_t done = 1;
    while (done < n) {
        const size_t chunk = std::min(done, n - done);
        std::memcpy(p + done * 4, p, chunk * 4);
        done += chunk;
    }
}

Image Image::copyWithoutAlpha() const
{
    Image out(*this);
    out.setHasAlpha(false);
    return out;
}

bool operator==(const Image& a, const Image& b)
{
    return a.m_width == b.m_width && a.m_height == b.m_height && a.m_hasAlpha == b.m_hasAlpha &&
           a.m_pixels == b.m_pixels;
}

} // namespace mw
