#include "compose/framing.h"

#include "compose/frame_assembly.h"
#include "imaging/status.h"

#include <cstring>

namespace mw {

double scaleForIndex(int itemIndex)
{
    switch (itemIndex) {
    case 1: return 0.75;
    case 2: return 0.5;
    case 3: return 0.25;
    default: return 1.0;
    }
}

std::optional<SoftShadowParams> dropShadowParams(const DropShadow& shadow)
{
    int ox = 0, oy = 0;
    switch (shadow.position) {
    case 1: ox = -shadow.depth; oy = -shadow.depth; break;
    case 2: ox = shadow.depth; oy = -shadow.depth; break;
    case 3: ox = -shadow.depth; oy = shadow.depth; break;
    case 4: ox = shadow.depth; oy = shadow.depth; break;
    default: return std::nullopt;  // 0 is "None"; other codes are not directions
    }
    SoftShadowParams p;
    p.radius = 4;
    p.offsetX = ox;
    p.offsetY = oy;
    p.enlarge = true;
    p.color = shadow.color;
    p.intensity = 90;
    return p;
}

CanvasMargins dropShadowMargins(const SoftShadowParams& shadow)
{
    const int g = softShadowGrowth(shadow);
    CanvasMargins margins;
    margins.left = margins.top = g / 2;
    margins.right = margins.bottom = g - g / 2;
    margins.fill = Rgba{shadow.color.r, shadow.color.g, shadow.color.b, 0};
    return margins;
}

FramingResult framePhoto(const Image& photo, const FramingRequest& request, const FrameProgressFn& progress)
{
    if (photo.isEmpty())
        throw Error("There is no photo to frame (the picture is empty)");
    // A fresh image rather than a copy-construction: its buffer is set up for large pictures
    // (huge pages) before the pixels land in it.
    Image copy(photo.width(), photo.height(), photo.hasAlpha());
    copy.setBitsPerPixel(photo.bitsPerPixel());
    std::memcpy(copy.data(), photo.data(), photo.byteCount());
    return framePhoto(std::move(copy), request, progress);
}

FramingResult framePhoto(Image&& photo, const FramingRequest& request, const FrameProgressFn& progress)
{
    if (photo.isEmpty())
        throw Error("There is no photo to frame (the picture is empty)");
    const std::optional<SoftShadowParams> shadow = dropShadowParams(request.shadow);

    TFrameForm form;
    form.setProgressCallback(progress);
    form.iev2.layer(0).image = std::move(photo);

    FramingResult result;
    if (!shadow) {
        form.BuildFramedImage(request.framePath, request.scale);
        result.image = std::move(form.iev2.layer(0).image);
        return result;
    }

    // The shadow enlarges the canvas by g, the picture moving g div 2 right and down, with a
    // transparent border in the shadow colour. Building the picture straight into that canvas
    // saves a copy of the whole image; the shadow then needs computing only where the picture
    // is not opaque, the band along its edges.
    const int g = softShadowGrowth(*shadow);
    const CanvasMargins margins = dropShadowMargins(*shadow);
    form.buildFramedImage(request.framePath, request.scale, margins);
    Image canvas = std::move(form.iev2.layer(0).image);

    if (request.keepBeforeShadow) {
        Image before(canvas.width() - g, canvas.height() - g, true);
        before.setBitsPerPixel(canvas.bitsPerPixel());
        for (int y = 0; y < before.height(); ++y)
            std::memcpy(before.row(y), canvas.row(y + margins.top) + size_t(margins.left) * 4, before.stride());
        result.beforeShadow = std::move(before);
    }

    SoftShadowParams inPlace = *shadow;
    inPlace.enlarge = false;
    applySoftShadowAround(canvas, inPlace, form.opaqueInterior());
    if (progress)
        progress(100, 100);
    result.image = std::move(canvas);
    return result;
}

} // namespace mw
