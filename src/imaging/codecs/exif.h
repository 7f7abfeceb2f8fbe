#pragma once
// The one EXIF field the program acts on: the Orientation tag of IFD0.
#include "imaging/codecs/codec.h"

namespace mw::codecs {

// `payload` is the body of an APP1 segment (starting with "Exif\0\0"). Returns the orientation
// 1..8, or 1 when the segment is not EXIF, is damaged, or holds no valid Orientation tag.
int exifOrientation(Bytes payload);

} // namespace mw::codecs
