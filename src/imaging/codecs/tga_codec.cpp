// Placeholder until the codec lands: every call fails with a reason.
#include "imaging/codecs/codec.h"

namespace mw::codecs {
Status decodeTga(Bytes, Image&, DecodeExtras&) { return Status::fail("not available yet"); }
Status encodeTga(const Image&, std::vector<uint8_t>&) { return Status::fail("not available yet"); }
} // namespace mw::codecs
