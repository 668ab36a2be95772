#include "textures/image_convert.h"

namespace libgr
{

bool index2rgb(grImage2D& dst, const grImage2D& srcRef)
{
    const grImage2D src = srcRef; // dst may be the source itself
    if (src.format.format != grFmtColorIndex) {
        dst = src;
        return true;
    }
    if (src.format.bits != grBits4 && src.format.bits != grBits8)
        return false;
    if (!src.holdsPixels())
        return false;

    grImage2D out;
    out.format = {grFmtRGB, grTypeUINT, grBits8};
    out.width = src.width;
    out.height = src.height;
    if (!out.allocate())
        return false;

    const grPixelMap& map = src.pixelmap;
    const unsigned short* red = map.count ? map.red.data() : nullptr;
    const unsigned short* green = map.count ? map.green.data() : nullptr;
    const unsigned short* blue = map.count ? map.blue.data() : nullptr;
    const bool nibbles = src.format.bits == grBits4;
    for (uint32_t y = 0; y < src.height; ++y) {
        const unsigned char* in = src.row(y);
        unsigned char* o = out.row(y);
        for (uint32_t x = 0; x < src.width; ++x, o += 3) {
            uint32_t index = nibbles ? ((x & 1) ? in[x / 2] & 0x0F : in[x / 2] >> 4) : in[x];
            // A palette shorter than its indices: such pixels take entry 0.
            if (index >= map.count)
                index = 0;
            if (!red) {
                o[0] = o[1] = o[2] = 0;
                continue;
            }
            o[0] = uint8_t(red[index] >> 8);
            o[1] = uint8_t(green[index] >> 8);
            o[2] = uint8_t(blue[index] >> 8);
        }
    }
    dst = out;
    return true;
}

namespace
{

// Swaps the first and third byte of every pixel of an 8-bit 3- or
// 4-component image into fresh storage of format `to`.
bool swapRedBlue(grImage2D& dst, const grImage2D& src, uint32_t to)
{
    const uint32_t bpp = grComponents(src.format.format);
    grImage2D out;
    out.format = {to, src.format.type, grBits8};
    out.store = &grDefaultPixelStore;
    out.width = src.width;
    out.height = src.height;
    if (!src.holdsPixels() || !out.allocate()) {
        dst = src;
        return false;
    }
    for (uint32_t y = 0; y < src.height; ++y) {
        const unsigned char* in = src.row(y);
        unsigned char* o = out.row(y);
        for (uint32_t x = 0; x < src.width; ++x, in += bpp, o += bpp) {
            o[0] = in[2];
            o[1] = in[1];
            o[2] = in[0];
            if (bpp == 4)
                o[3] = in[3];
        }
    }
    dst = out;
    return true;
}

bool swapBetween(grImage2D& dst, const grImage2D& srcRef, uint32_t from3, uint32_t to3, uint32_t from4, uint32_t to4)
{
    const grImage2D src = srcRef;
    const grPixelFormat& pf = src.format;
    bool typeOk = pf.type == grTypeUINT || pf.type == grTypeSINT;
    if (typeOk && pf.bits == grBits8 && !src.compressed) {
        if (pf.format == from3)
            return swapRedBlue(dst, src, to3);
        if (pf.format == from4)
            return swapRedBlue(dst, src, to4);
    }
    dst = src;
    return false;
}

} // namespace

bool rgb2bgr(grImage2D& dst, const grImage2D& src)
{
    return swapBetween(dst, src, grFmtRGB, grFmtBGR, grFmtRGBA, grFmtBGRA);
}

bool bgr2rgb(grImage2D& dst, const grImage2D& src)
{
    return swapBetween(dst, src, grFmtBGR, grFmtRGB, grFmtBGRA, grFmtRGBA);
}

} // namespace libgr
