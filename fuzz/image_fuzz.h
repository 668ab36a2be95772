// One image loader on arbitrary bytes: the input is written to a file with
// the loader's extension and loaded by extension, as the viewer does.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "textures/image.h"
#include "textures/image_format.h"

namespace vykfuzz
{

inline int loadImage(const uint8_t* data, size_t size, const char* extension)
{
    const std::string path = inputFile(data, size, extension);
    libgr::grImage2D image;
    if (!libgr::autoloadformat(image, path.c_str()))
        return 0;
    if (image.compressed || !image.holdsPixels())
        return 0;
    // Touch every byte a texture upload would read.
    unsigned sum = 0;
    const uint64_t rowBytes = image.packedRowSize();
    for (uint32_t y = 0; y < image.height; ++y) {
        const unsigned char* row = image.row(y);
        for (uint64_t x = 0; x < rowBytes; ++x)
            sum += row[x];
    }
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}

} // namespace vykfuzz
