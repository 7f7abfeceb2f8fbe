#pragma once
// The image value every subsystem works on.
//
// Pixels are interleaved 8-bit R, G, B, A, rows packed (stride = width * 4), straight (not
// premultiplied) alpha. hasAlpha() says whether the alpha channel is meaningful; when it is
// false every A byte is 255, so kernels may always read four channels. The layout wraps into
// a QImage (Format_RGBA8888) without copying.
//
// bitsPerPixel() records the colour depth the image stands for (1, 8, 24 or 32): decoders set
// it from the file, writers may use it to choose a compact encoding. Pixel data is always RGBA.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <memory>
#include <utility>
#include <vector>

namespace mw {

struct Color {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// Largest image we agree to allocate: 65535 pixels on a side and 2^28 pixels in all.
constexpr int kMaxImageSide = 65535;
constexpr int64_t kMaxImagePixels = int64_t(1) << 28;

// Empty when width x height may be allocated, otherwise the reason it may not.
std::optional<std::string> checkImageSize(int64_t width, int64_t height);

namespace detail {
// Buffers from this size on start on a huge-page boundary, so the kernel can back all of them
// with huge pages: the first touch of a fresh page is a large part of making a picture.
constexpr size_t kHugePageBytes = size_t(2) << 20;
void* allocatePixels(size_t bytes);
void freePixels(void* p, size_t bytes) noexcept;

// Leaves new bytes uninitialised on resize: every pixel buffer is filled right after it is
// made, and zeroing it first would cost a second pass over a photo-sized buffer.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;
    T* allocate(size_t n) { return static_cast<T*>(allocatePixels(n * sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { freePixels(p, n * sizeof(T)); }
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
} // namespace detail

class Image {
public:
    Image() = default;
    // Throws mw::Error when the size is refused by checkImageSize.
    Image(int width, int height, bool hasAlpha = false, Rgba fill = Rgba{0, 0, 0, 255});

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width <= 0 || m_height <= 0; }
    size_t stride() const { return size_t(m_width) * 4; }
    size_t byteCount() const { return m_pixels.size(); }

    bool hasAlpha() const { return m_hasAlpha; }
    // Turning alpha off makes every pixel opaque (A = 255); turning it on keeps current A.
    void setHasAlpha(bool on);

    // Clears the alpha flag without the pass over the pixels that setHasAlpha(false) makes:
    // for code that has just written A = 255 everywhere itself.
    void markOpaque()
    {
        m_hasAlpha = false;
        if (m_bitsPerPixel == 32)
            m_bitsPerPixel = 24;
    }

    int bitsPerPixel() const { return m_bitsPerPixel; }
    void setBitsPerPixel(int bits) { m_bitsPerPixel = bits; }

    uint8_t* data() { return m_pixels.data(); }
    const uint8_t* data() const { return m_pixels.data(); }
    uint8_t* row(int y) { return m_pixels.data() + size_t(y) * stride(); }
    const uint8_t* row(int y) const { return m_pixels.data() + size_t(y) * stride(); }

    Rgba pixel(int x, int y) const;
    void setPixel(int x, int y, Rgba p);
    void fill(Rgba p);

    // Reallocates to width x height filled with `fill`; previous content is dropped.
    // Throws mw::Error when the size is refused.
    void reset(int width, int height, bool hasAlpha = false, Rgba fill = Rgba{0, 0, 0, 255});
    void clear();
    // An image whose pixels the caller overwrites completely (decoders): no fill pass. With
    // hasAlpha false the caller must write A = 255 everywhere.
    static Image uninitialized(int width, int height, bool hasAlpha, size_t reserveBytes = 0);

    // Grows the canvas by the given margins, the picture moving right and down by (left, top)
    // inside the same buffer when its capacity allows (decoders reserve room for it), so a
    // photo-sized copy is not needed. The new margin pixels are left unspecified: the caller
    // writes them. Throws mw::Error when the new size is refused.
    void growCanvas(int left, int top, int right, int bottom);

    // Full copy is the copy constructor; this one drops the alpha channel.
    Image copyWithoutAlpha() const;

    friend bool operator==(const Image& a, const Image& b);

private:
    void allocate(int width, int height, bool hasAlpha, size_t reserveBytes = 0);

    int m_width = 0;
    int m_height = 0;
    bool m_hasAlpha = false;
    int m_bitsPerPixel = 24;
    std::vector<uint8_t, detail::DefaultInitAllocator<uint8_t>> m_pixels;
};

} // namespace mw
