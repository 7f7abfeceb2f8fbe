#include "workspace/clipboard_formats.h"

#include "imaging/image_io.h"
#include "workspace/qimage_convert.h"

#include <QImage>
#include <QVariant>

#include <cstring>
#include <span>
#include <vector>

namespace mw {

const QString kRawImageMimeType = QStringLiteral("application/x-qt-windows-mime;value=\"IMAGEEN RAW FORMAT\"");
const QString kPngMimeType = QStringLiteral("image/png");

namespace {

constexpr char kMagic[6] = {'M', 'W', 'R', 'A', 'W', '\0'};
constexpr uint16_t kVersion = 1;
constexpr uint16_t kFlagAlpha = 1;
constexpr qsizetype kHeaderSize = 6 + 2 + 2 + 2 + 4 + 4;

void put16(QByteArray& out, uint16_t v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

uint32_t get(const QByteArray& in, qsizetype offset, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint32_t(uint8_t(in[offset + i])) << (8 * i);
    return v;
}

} // namespace

QByteArray encodeRawImage(const Image& image)
{
    QByteArray out;
    out.reserve(kHeaderSize + qsizetype(image.byteCount()));
    out.append(kMagic, sizeof kMagic);
    put16(out, kVersion);
    put16(out, image.hasAlpha() ? kFlagAlpha : 0);
    put16(out, uint16_t(image.bitsPerPixel()));
    put32(out, uint32_t(image.width()));
    put32(out, uint32_t(image.height()));
    out.append(reinterpret_cast<const char*>(image.data()), qsizetype(image.byteCount()));
    return out;
}

std::optional<Image> decodeRawImage(const QByteArray& payload)
{
    if (payload.size() < kHeaderSize || std::memcmp(payload.constData(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    if (get(payload, 6, 2) != kVersion)
        return std::nullopt;
    const uint32_t flags = get(payload, 8, 2);
    const uint32_t bits = get(payload, 10, 2);
    const uint32_t width = get(payload, 12, 4);
    const uint32_t height = get(payload, 16, 4);
    if ((flags & ~uint32_t(kFlagAlpha)) != 0 || width == 0 || height == 0)
        return std::nullopt;
    if (checkImageSize(width, height))
        return std::nullopt;
    // Checked before allocating: the pixel block must be exactly what the header promises.
    const int64_t pixelBytes = int64_t(width) * int64_t(height) * 4;
    if (int64_t(payload.size()) - kHeaderSize != pixelBytes)
        return std::nullopt;

    const bool alpha = (flags & kFlagAlpha) != 0;
    Image image(int(width), int(height), true);
    std::memcpy(image.data(), payload.constData() + kHeaderSize, size_t(pixelBytes));
    // Without the flag the alpha bytes mean nothing: a sender's stray values must not leak.
    image.setHasAlpha(alpha);
    image.setBitsPerPixel((bits == 1 || bits == 8 || bits == 24 || bits == 32) ? int(bits)
                                                                               : (alpha ? 32 : 24));
    return image;
}

bool mimeOffersImage(const QMimeData* data)
{
    return data && (data->hasFormat(kRawImageMimeType) || data->hasFormat(kPngMimeType) || data->hasImage());
}

std::optional<Image> imageFromMimeData(const QMimeData* data)
{
    if (!data)
        return std::nullopt;
    if (data->hasFormat(kRawImageMimeType)) {
        if (auto image = decodeRawImage(data->data(kRawImageMimeType)))
            return image;
    }
    if (data->hasFormat(kPngMimeType)) {
        const QByteArray png = data->data(kPngMimeType);
        Image image;
        const auto bytes = std::span(reinterpret_cast<const uint8_t*>(png.constData()), size_t(png.size()));
        if (decodeImage(bytes, "png", image).isOk() && !image.isEmpty())
            return image;
    }
    if (data->hasImage()) {
        const QImage qimage = qvariant_cast<QImage>(data->imageData());
        if (auto image = fromQImage(qimage))
            return image;
    }
    return std::nullopt;
}

QMimeData* mimeDataForImage(const Image& image)
{
    auto* data = new QMimeData;
    if (image.isEmpty())
        return data;
    data->setImageData(toQImage(image));
    data->setData(kRawImageMimeType, encodeRawImage(image));
    std::vector<uint8_t> png;
    if (encodeImage(image, "png", png).isOk())
        data->setData(kPngMimeType, QByteArray(reinterpret_cast<const char*>(png.data()), qsizetype(png.size())));
    return data;
}

} // namespace mw
