// libFuzzer entry for the BMP reader.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzDecoder("bmp", data, size);
}
