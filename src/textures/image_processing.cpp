#include "textures/image_processing.h"

#include "foundation/diagnostics.h"

#include <cmath>
#include <cstdio>

namespace libgr
{

namespace
{

// Rows of the luminance conversion and the normal map are read packed and
// padded to 4 bytes, whatever the source's unpack fields say.
uint64_t simpleStride(const grImage2D& src)
{
    return (src.packedRowSize() + 3) / 4 * 4;
}

bool simpleRowsFit(const grImage2D& src, uint32_t bytesPerPixel)
{
    if (src.width == 0 || src.height == 0 || !src.data())
        return false;
    uint64_t stride = simpleStride(src);
    return stride * (src.height - 1) + uint64_t(src.width) * bytesPerPixel <= src.size();
}

int8_t toSignedByte(float c)
{
    return int8_t(c >= 0.0f ? int(127.0f * c + 0.5f) : int(127.0f * c - 0.5f));
}

} // namespace

bool mono(grImage2D& dst, const grImage2D& srcRef)
{
    const grImage2D src = srcRef; // dst may be the source itself
    if (src.format.format != grFmtRGB) {
        libutils::reportf("%u: image format is not RGB.\n", src.format.format);
        return false;
    }
    if (src.format.type != grTypeUINT) {
        libutils::reportf("%u: image type is not UINT.\n", src.format.type);
        return false;
    }
    if (src.format.bits != grBits8) {
        libutils::reportf("%u: image bits is not 8.\n", src.format.bits);
        return false;
    }
    grImage2D out;
    out.format = {grFmtLuminance, grTypeUINT, grBits8};
    out.width = src.width;
    out.height = src.height;
    if (!out.allocate())
        return false;
    dst = out;
    if (src.compressed)
        return true;
    if (!simpleRowsFit(src, 3))
        return false;
    const uint64_t stride = simpleStride(src);
    for (uint32_t y = 0; y < src.height; ++y) {
        const unsigned char* in = src.data() + y * stride;
        unsigned char* o = dst.row(y);
        for (uint32_t x = 0; x < src.width; ++x, in += 3)
            o[x] = uint8_t(0.299f * in[0] + 0.587f * in[1] + 0.114f * in[2]);
    }
    return true;
}

bool normalmap(grImage2D& dst, const grImage2D& srcRef)
{
    const grImage2D src = srcRef;
    const grPixelFormat& pf = src.format;
    if (src.compressed) {
        libutils::reportf("normalmap(): compressed format not supported.\n");
        dst = src;
        return false;
    }
    if (pf.format == grFmtRGB && (pf.type == grTypeSINT || pf.type == grTypeUINT) && pf.bits == grBits8) {
        dst = src;
        return true;
    }
    if (pf.format != grFmtLuminance || pf.type != grTypeUINT || pf.bits != grBits8 || !simpleRowsFit(src, 1)) {
        libutils::reportf("normalmap(): image type not supported.\n");
        dst = src;
        return false;
    }
    grImage2D out;
    out.format = {grFmtRGB, grTypeSINT, grBits8};
    out.store = src.store;
    out.width = src.width;
    out.height = src.height;
    if (!out.allocate()) {
        libutils::reportf("normalmap allocate() fail.\n");
        return false;
    }
    const uint32_t w = src.width, h = src.height;
    const uint64_t stride = simpleStride(src);
    const unsigned char* base = src.data();
    auto height = [&](uint32_t x, uint32_t y) { return base[y * stride + x] / 255.0f; };
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t y1 = (y + 1) % h; // the top row compares with the bottom row
        unsigned char* o = out.row(y);
        for (uint32_t x = 0; x < w; ++x, o += 3) {
            const uint32_t x1 = (x + 1) % w;
            const float h0 = height(x, y);
            const float dx = height(x1, y) - h0;
            const float dy = height(x, y1) - h0;
            float v[3] = {dx, dy, std::sqrt(1.0f - dx * dx) + std::sqrt(1.0f - dy * dy)};
            const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            if (len > 0.0f)
                for (float& c : v)
                    c /= len;
            if (v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f)
                v[2] = 1.0f;
            for (int i = 0; i < 3; ++i)
                o[i] = uint8_t(toSignedByte(v[i]));
        }
    }
    dst = out;
    return true;
}

bool scaledown(grImage2D& dst, const grImage2D& srcRef)
{
    const grImage2D src = srcRef;
    uint32_t components;
    switch (src.format.format) {
    case grFmtLuminance:
        components = 1;
        break;
    case grFmtRGB:
    case grFmtBGR:
        components = 3;
        break;
    case grFmtRGBA:
    case grFmtBGRA:
        components = 4;
        break;
    default:
        libutils::reportf("scaledown(): %u: unsupported format.\n", src.format.format);
        return false;
    }
    // The box filter adds bytes: wider or packed components would be summed
    // as unrelated bytes.
    if (src.format.bits != grBits8) {
        libutils::reportf("scaledown(): %u: unsupported bits.\n", src.format.bits);
        return false;
    }
    grImage2D out;
    out.format = src.format;
    out.width = src.width / 2;
    out.height = src.height / 2;
    if (!src.holdsPixels() || !out.allocate()) {
        libutils::reportf("scaledown(): allocate() fail.\n");
        return false;
    }
    for (uint32_t y = 0; y < out.height; ++y) {
        const unsigned char* r0 = src.row(2 * y);
        const unsigned char* r1 = src.row(2 * y + 1);
        unsigned char* o = out.row(y);
        for (uint32_t x = 0; x < out.width; ++x) {
            const unsigned char* a = r0 + 2 * x * components;
            const unsigned char* b = r1 + 2 * x * components;
            for (uint32_t c = 0; c < components; ++c)
                o[x * components + c] = uint8_t((a[c] + a[c + components] + b[c] + b[c + components]) >> 2);
        }
    }
    dst = out;
    return true;
}

} // namespace libgr
