// Placeholder until the codec lands: every call fails with a reason.
#include "imaging/codecs/codec.h"

namespace mw::codecs {
Status decodeJp2(Bytes, Image&, DecodeExtras&) { return Status::fail("not available yet"); }
Status encodeJp2(const Image&, std::vector<uint8_t>&, bool) { return Status::fail("not available yet"); }
} // namespace mw::codecs
