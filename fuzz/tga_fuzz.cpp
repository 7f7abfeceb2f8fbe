// libFuzzer entry for the TGA reader.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzDecoder("tga", data, size);
}
