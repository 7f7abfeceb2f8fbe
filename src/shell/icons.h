#pragma once
// The main window's icon list: 28 pictures of 16 x 16 logical pixels, drawn as vectors at the
// device pixel ratio asked for, so they stay crisp on high-DPI screens. The indices are fixed:
//   0 save (floppy disk)      1 open (folder, green arrow)   2 new page         3 print
//   4 cut                     5 crop                         6 zoom in          7 zoom out
//   8 rotate left             9 rotate right                10 flip             11 help
//  12 information            13 picture                     14 framed picture   15 settings
//  16 refresh                17 exit (door)                 18 redo             19 copy (two pages)
//  20 undo (blue round arrow) 21 paste (clipboard, page)    22 snapshot (camera)
//  23 no shadow  24 shadow upper left  25 upper right  26 lower left  27 lower right
#include <QIcon>

class QPainter;

namespace mw {

constexpr int kIconCount = 28;

enum IconIndex : int {
    IconSave = 0, IconOpen = 1, IconNew = 2, IconPrint = 3, IconCut = 4, IconCrop = 5,
    IconZoomIn = 6, IconZoomOut = 7, IconRotateLeft = 8, IconRotateRight = 9, IconFlip = 10,
    IconHelp = 11, IconInfo = 12, IconPicture = 13, IconFramedPicture = 14, IconSettings = 15,
    IconRefresh = 16, IconExit = 17, IconRedo = 18, IconCopy = 19, IconUndo = 20, IconPaste = 21,
    IconSnapshot = 22, IconNoShadow = 23, IconShadowUpperLeft = 24, IconShadowUpperRight = 25,
    IconShadowLowerLeft = 26, IconShadowLowerRight = 27,
};

// The icon at `index`; a null icon outside 0..27. Also serves the options window's shadow
// glyphs (23..27).
QIcon listIcon(int index);

// Draws icon `index` into the 16 x 16 logical square at the painter's origin.
void paintListIcon(QPainter& painter, int index);

} // namespace mw
