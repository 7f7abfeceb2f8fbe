// Placeholders until the kernels land: each throws.
#include "imaging/canvas.h"
#include "imaging/layers.h"
#include "imaging/resample.h"
#include "imaging/selection.h"
#include "imaging/soft_shadow.h"
#include "imaging/status.h"

namespace mw {
Image resampleLanczos3(const Image&, int, int, const ProgressFn&) { throw Error("resample not available yet"); }
Image resizeCanvas(const Image&, int, int, Rgba) { throw Error("not available yet"); }
Image enlargeCentered(const Image&, int, Rgba) { throw Error("not available yet"); }
Image flattenOnto(const Image&, Color) { throw Error("not available yet"); }
int softShadowGrowth(const SoftShadowParams&) { return 0; }
void applySoftShadow(Image&, const SoftShadowParams&, const ProgressFn&) { throw Error("not available yet"); }
LayeredImage::LayeredImage(Color background) : m_background(background), m_layers(1) {}
void LayeredImage::setCurrentIndex(int) {}
int LayeredImage::addLayer() { return 0; }
int LayeredImage::addLayer(Layer) { return 0; }
void LayeredImage::removeLayer(int) {}
void LayeredImage::clear() {}
void LayeredImage::mergeLayers(int, int) { throw Error("not available yet"); }
Image LayeredImage::mergeAll() const { throw Error("not available yet"); }
Rgba compositeOver(Rgba u, Rgba) { return u; }
Image copySelection(const Image&, const SelectionRect&, Color) { throw Error("not available yet"); }
} // namespace mw
