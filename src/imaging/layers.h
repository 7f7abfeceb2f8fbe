#pragma once
// A stack of positioned layers, layer 0 at the bottom, one of them current; the model of a
// layered image view without any display.
#include "imaging/image.h"

#include <vector>

namespace mw {

struct Layer {
    Image image;
    int x = 0;  // position on the canvas, pixels from its top-left corner
    int y = 0;
    // Drawn size; a layer copy takes it along. Equals the image's size unless set otherwise.
    int drawnWidth = 0;
    int drawnHeight = 0;
};

class LayeredImage {
public:
    // One empty layer 0, current.
    explicit LayeredImage(Color background = Color{255, 255, 255});

    Color background() const { return m_background; }
    void setBackground(Color c) { m_background = c; }

    int count() const { return int(m_layers.size()); }
    Layer& layer(int index) { return m_layers.at(size_t(index)); }
    const Layer& layer(int index) const { return m_layers.at(size_t(index)); }

    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    Layer& current() { return layer(m_current); }
    Image& currentImage() { return current().image; }

    // Appends a layer (empty image at (0,0)) and makes it current; returns its index.
    int addLayer();
    int addLayer(Layer layer);
    // Removes a layer other than layer 0; the current index moves to a valid layer.
    void removeLayer(int index);
    // Drops every layer but the first and resets the first to an empty image at (0,0).
    void clear();

    // Merges layer `upper` into `lower` (the layer just below it in every use):
    //  * extent: the bounding box of both; when lower is layer 0 it starts at (0,0) and what
    //    lies left of x = 0 or above y = 0 is cut off;
    //  * where both lie, upper "over" lower, colour and alpha rounded to 8 bits; where one
    //    lies, its pixel; where neither, the background colour with alpha 0.
    // The merged layer takes lower's place and becomes current; upper is removed.
    void mergeLayers(int lower, int upper);

    // Every layer over the background colour in one 24-bit image without alpha, the size of
    // layer 0's extent stretched to cover all layers right and down from (0,0).
    Image mergeAll() const;

private:
    Color m_background;
    std::vector<Layer> m_layers;
    int m_current = 0;
};

// Alpha "over" of one straight-alpha pixel onto another, rounded to 8 bits:
//   alpha  = au + al * (1 - au)                              (never exactly half-way)
//   colour = (cu * au + cl * al * (1 - au)) / alpha          (halves rounded up)
// When both are fully transparent the upper pixel is taken, so painting over a transparent
// pixel always yields the painted pixel itself.
Rgba compositeOver(Rgba upper, Rgba lower);

// Composites src over dst with src's top-left at (x, y), clipped to dst; the same pixels as
// merging a layer holding src into one holding dst. An image without alpha is copied.
void paintOver(Image& dst, const Image& src, int x, int y);

} // namespace mw
