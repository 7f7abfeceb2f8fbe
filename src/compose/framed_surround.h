#pragma once
// What a framing of an opaque photo gives outside the photo: the frame where no photo lies
// under it, the drop shadow's border, all flattened onto the background. None of it depends
// on the photo's pixels: there the frame is composed over nothing, and the shadow reads only
// alpha, which is 255 all over an opaque photo and its frame. So it can be made before the
// photo is read, from narrow windows along the edges, and a pipeline that sees the photo a row
// at a time takes everything outside the photo from here.
#include "compose/frame_assembly.h"
#include "imaging/image.h"
#include "imaging/soft_shadow.h"

#include <optional>

namespace mw {

class FramedSurround {
public:
    // `shadow`, when set, must not enlarge: the composer's margins are its border already.
    FramedSurround(const FrameComposer& composer, const std::optional<SoftShadowParams>& shadow, Color background);

    // Writes the pixels of result row y that lie outside the photo (composer.photoRect()): the
    // whole row above or below it, the parts left and right of it otherwise.
    void paintRow(int y, uint8_t* row) const;

private:
    struct Piece {
        PixelRect band;    // the pixels this piece gives, result coordinates
        PixelRect window;  // where `pixels` lies: the band and what the shadow reads around it
        Image pixels;
    };
    void copySpan(const Piece& piece, int y, int x0, int x1, uint8_t* row) const;

    int m_width = 0;
    PixelRect m_photo;
    Piece m_top, m_bottom, m_left, m_right;
};

} // namespace mw
