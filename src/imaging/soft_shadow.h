#pragma once
// The soft shadow: an image's alpha channel blurred with a Gaussian, moved, and composited
// under the image.
//
// 1. enlarge: the canvas grows by g = max(1, 2 * max(|ox|, |oy|) + trunc(5 * r)) pixels in
//    width and height, the picture centred (moved by g / 2), the new border transparent.
// 2. q = alpha (255 when the image has none) blurred with a Gaussian of standard deviation r,
//    moved by (ox, oy); what moves out is lost, what is uncovered is 0.
// 3. per pixel with a = alpha before, h = 3 - 2 * I / 100 (I clamped to 0..100):
//      a == 0 and q > 0: colour := shadow colour, alpha := trunc(q / h);
//      0 < a < 255: A = a/255, U = q/255,
//          channel := trunc(A*P + (1-A)*(U*S + (1-U)*P)), alpha := trunc((A + U*(1-A)) * 255);
//      a == 255, or a == 0 and q == 0: unchanged.
// The result always has an alpha channel. The blur treats everything outside the image as
// transparent. The new border of an enlarged image is transparent shadow colour, so later
// filtering of the straight-alpha image brings in no foreign colour.
#include "imaging/image.h"
#include "imaging/progress.h"

namespace mw {

struct SoftShadowParams {
    double radius = 3.0;
    int offsetX = 3;
    int offsetY = 3;
    bool enlarge = false;
    Color color{0, 0, 0};
    int intensity = 100;  // percent
};

// Growth in width and height that step 1 applies when enlarge is on.
int softShadowGrowth(const SoftShadowParams& params);

// How far from an alpha change the shadow can alter a pixel: the blur's reach (ceil(3r))
// plus the larger offset, plus one for safety. A pixel's result depends only on the alpha
// within this distance, the same way wherever the pixel lies.
int softShadowReach(const SoftShadowParams& params);

// Works in time proportional to the part of the image where the alpha is not opaque and the
// moved shadow reaches (the border band of an opaque photo, the opening of a frame).
void applySoftShadow(Image& image, const SoftShadowParams& params, const ProgressFn& progress = {});

namespace detail {
// The same result computed plainly over every pixel; the yardstick for the fast path.
void applySoftShadowReference(Image& image, const SoftShadowParams& params);
} // namespace detail

} // namespace mw
