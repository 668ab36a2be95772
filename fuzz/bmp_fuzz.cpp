// The BMP loader on arbitrary bytes.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return vykfuzz::loadImage(data, size, ".bmp");
}
