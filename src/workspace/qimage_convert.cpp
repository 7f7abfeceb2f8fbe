#include "workspace/qimage_convert.h"

#include <cstring>

namespace mw {

QImage wrapAsQImage(const Image& image)
{
    if (image.isEmpty())
        return {};
    // Without alpha every A byte is 255, so RGBX shows the same pixels and lets the painter
    // skip blending.
    const auto format = image.hasAlpha() ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888;
    return QImage(image.data(), image.width(), image.height(), qsizetype(image.stride()), format);
}

QImage toQImage(const Image& image)
{
    return wrapAsQImage(image).copy();
}

std::optional<Image> fromQImage(const QImage& qimage)
{
    if (qimage.isNull() || checkImageSize(qimage.width(), qimage.height()))
        return std::nullopt;
    const bool alpha = qimage.hasAlphaChannel();
    const QImage rgba = qimage.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (rgba.isNull())
        return std::nullopt;
    Image out(rgba.width(), rgba.height(), alpha);
    for (int y = 0; y < rgba.height(); ++y)
        std::memcpy(out.row(y), rgba.constScanLine(y), out.stride());
    out.setBitsPerPixel(alpha ? 32 : 24);
    return out;
}

} // namespace mw
