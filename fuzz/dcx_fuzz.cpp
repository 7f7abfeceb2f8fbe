// libFuzzer entry for the DCX reader.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzDecoder("dcx", data, size);
}
