#pragma once
// Resampling. Colour and alpha are filtered alike (straight alpha), separably, with weights
// computed once per output row/column and normalised so a constant image stays constant.
#include "imaging/image.h"
#include "imaging/progress.h"

namespace mw {

// Lanczos-3 resample to newWidth x newHeight. newHeight == -1 keeps the aspect ratio
// (height = newWidth * h / w, truncated, at least 1). The same size returns an exact copy.
// Throws mw::Error for a non-positive target size or one refused by checkImageSize.
Image resampleLanczos3(const Image& src, int newWidth, int newHeight, const ProgressFn& progress = {});

namespace detail {
// Turns the vector code paths off (tests compare them with the plain ones).
void setResampleSimd(bool allowed);
} // namespace detail

} // namespace mw
