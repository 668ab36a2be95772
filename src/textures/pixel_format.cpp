#include "textures/pixel_format.h"

namespace libgr
{

const grPixelStore grDefaultPixelStore = {0, 4};
const grPixelStore grSwapBytesPixelStore = {1, 4};

uint32_t grComponents(uint32_t format)
{
    static const uint32_t components[] = {
        1, 2, 1, 1, 1, 1, 1, // luminance .. alpha
        2, 3, 4, 3, 4,       // red-green, RGB, RGBA, BGR, BGRA
        1, 2, 3, 4, 2, 1,    // depth, depth-stencil, YCbCr, four, two, index
    };
    return format < sizeof(components) / sizeof(components[0]) ? components[format] : 0;
}

uint32_t grBitsPerComponent(uint32_t bits)
{
    static const uint32_t perComponent[] = {1, 2, 4, 8, 12, 16, 24, 32, 64};
    return bits < sizeof(perComponent) / sizeof(perComponent[0]) ? perComponent[bits] : 0;
}

uint32_t grBitsPerPixel(const grPixelFormat& pf)
{
    switch (pf.bits) {
    case grBitsP233:
        return 8;
    case grBitsP565:
        return 16;
    case grBitsP1555:
        return 16;
    case grBitsP2101010:
        return 32;
    case grBitsP62:
        return 8;
    case grBitsP124:
        return 16;
    default:
        return grComponents(pf.format) * grBitsPerComponent(pf.bits);
    }
}

uint32_t grBitsCodeOf(uint32_t bitsPerComponent)
{
    for (uint32_t code = grBits1; code <= grBits64; ++code)
        if (grBitsPerComponent(code) == bitsPerComponent)
            return code;
    return grBitsNone;
}

void grPixelMap::reset()
{
    count = 0;
    red.release();
    green.release();
    blue.release();
}

bool grPixelMap::resize(uint64_t n)
{
    if (n == 0) {
        reset();
        return false;
    }
    if (!red.resize(n) || !green.resize(n) || !blue.resize(n)) {
        reset();
        return false;
    }
    count = n;
    return true;
}

} // namespace libgr
