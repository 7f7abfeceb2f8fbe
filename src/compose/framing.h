#pragma once
// The framing operation: from the unframed photo, the frame file, the scale and the drop
// shadow choice to the framed picture, plus the picture before the shadow (the one undo step).
#include "compose/mitrebox.h"
#include "imaging/image.h"
#include "imaging/soft_shadow.h"

#include <QString>
#include <functional>
#include <optional>

namespace mw {

struct DropShadow {
    int position = 0;  // 0 none, 1 upper left, 2 upper right, 3 lower left, 4 lower right;
                       // any other value: none
    int depth = 5;     // pixels
    Color color{0, 0, 0};
};

struct FramingRequest {
    QString framePath;  // thumbnail path with ".png" (the file itself need not exist)
    double scale = 1.0;
    DropShadow shadow;
    // The batch tool has no undo; it saves a full copy of the picture by turning this off.
    bool keepBeforeShadow = true;
};

struct FramingResult {
    Image image;
    std::optional<Image> beforeShadow;  // set when a shadow was added (and asked for)
};

// Drop shadow parameters for a position code: radius 4, offsets +-depth, canvas enlarged,
// intensity 90. nullopt for "no shadow".
std::optional<SoftShadowParams> dropShadowParams(const DropShadow& shadow);

// The border the enlarging shadow adds around the picture (g / 2 left and top, the rest right
// and bottom), filled with the shadow colour at alpha 0.
CanvasMargins dropShadowMargins(const SoftShadowParams& shadow);

FramingResult framePhoto(const Image& photo, const FramingRequest& request,
                         const FrameProgressFn& progress = {});
// Same, taking the photo over to save a copy of a large picture.
FramingResult framePhoto(Image&& photo, const FramingRequest& request,
                         const FrameProgressFn& progress = {});

// Scale factor of the "Scale By:" item index: 0..3 -> 1.0, 0.75, 0.5, 0.25 (1.0 otherwise).
double scaleForIndex(int itemIndex);

} // namespace mw
