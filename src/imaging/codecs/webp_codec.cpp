// Placeholder until the codec lands: every call fails with a reason.
#include "imaging/codecs/codec.h"

namespace mw::codecs {
Status decodeWebp(Bytes, Image&, DecodeExtras&) { return Status::fail("not available yet"); }
} // namespace mw::codecs
