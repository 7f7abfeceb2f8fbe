// Placeholder until the codec lands: every call fails with a reason.
#include "imaging/codecs/codec.h"

namespace mw::codecs {
Status decodePng(Bytes, Image&, DecodeExtras&) { return Status::fail("not available yet"); }
Status encodePng(const Image&, std::vector<uint8_t>&, int) { return Status::fail("not available yet"); }
} // namespace mw::codecs
