#pragma once
// Between our image type and QImage.
#include "imaging/image.h"

#include <QImage>

#include <optional>

namespace mw {

// A QImage over the image's own pixels (no copy): valid only while `image` lives unchanged.
QImage wrapAsQImage(const Image& image);

// A deep copy as Format_RGBA8888 (or RGBX8888 when the image has no alpha).
QImage toQImage(const Image& image);

// Converts any QImage; nullopt for a null image or a size refused by checkImageSize.
// hasAlpha follows QImage::hasAlphaChannel().
std::optional<Image> fromQImage(const QImage& qimage);

} // namespace mw
