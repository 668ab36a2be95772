// Pixel formats, unpack stores and colour-index maps of the image records.
#pragma once

#include <cstdint>

#include "foundation/refvector.h"

namespace libgr
{

// Component layout codes (grPixelFormat::format).
enum grFormatCode : uint32_t {
    grFmtLuminance = 0,
    grFmtLuminanceAlpha = 1,
    grFmtIntensity = 2,
    grFmtRed = 3,
    grFmtGreen = 4,
    grFmtBlue = 5,
    grFmtAlpha = 6,
    grFmtRG = 7,
    grFmtRGB = 8,
    grFmtRGBA = 9,
    grFmtBGR = 10,
    grFmtBGRA = 11,
    grFmtDepth = 12,
    grFmtDepthStencil = 13,
    grFmtYCbCr = 14,
    grFmtFour = 15,
    grFmtTwo = 16,
    grFmtColorIndex = 17,
};

// Numeric type codes (grPixelFormat::type).
enum grTypeCode : uint32_t {
    grTypeSINT = 0,
    grTypeUINT = 1,
    grTypeFLOAT = 2,
};

// Bit-depth codes (grPixelFormat::bits): 0..8 are bits per component,
// 9..14 packed pixels, 15 the depth-stencil code without a size.
enum grBitsCode : uint32_t {
    grBits1 = 0,
    grBits2 = 1,
    grBits4 = 2,
    grBits8 = 3,
    grBits12 = 4,
    grBits16 = 5,
    grBits24 = 6,
    grBits32 = 7,
    grBits64 = 8,
    grBitsP233 = 9,      // 8-bit 2-3-3 (three components)
    grBitsP565 = 10,     // 16-bit 5-6-5 (three components)
    grBitsP1555 = 11,    // 16-bit 1-5-5-5 (four components)
    grBitsP2101010 = 12, // 32-bit 2-10-10-10 (four components)
    grBitsP62 = 13,      // 8-bit 6-2 luminance-alpha
    grBitsP124 = 14,     // 16-bit 12-4 luminance-alpha
    grBitsNone = 15,
};

struct grPixelFormat {
    uint32_t format = grFmtLuminance;
    uint32_t type = grTypeUINT;
    uint32_t bits = grBits8;

    bool operator==(const grPixelFormat& o) const { return format == o.format && type == o.type && bits == o.bits; }
    bool operator!=(const grPixelFormat& o) const { return !(*this == o); }
};

// Components per pixel of a format code; 0 for an unknown code.
uint32_t grComponents(uint32_t format);
// Bits per component of a bits code 0..8; 0 for packed or unknown codes.
uint32_t grBitsPerComponent(uint32_t bits);
// Bits per pixel: components times bits per component, or the packed size
// for codes 9..14; 0 for code 15 and unknown codes.
uint32_t grBitsPerPixel(const grPixelFormat& pf);
// Bits code for a bits-per-component value (1, 2, 4, ..., 64); grBitsNone
// when there is none.
uint32_t grBitsCodeOf(uint32_t bitsPerComponent);

// Unpack layout shared by images (never owned by one).
struct grPixelStore {
    uint64_t swapbytes = 0; // GL_UNPACK_SWAP_BYTES
    uint64_t alignment = 4; // GL_UNPACK_ALIGNMENT, 0 means 4
};

// No swapping, alignment 4.
extern const grPixelStore grDefaultPixelStore;
// Swap bytes, alignment 4: 16-bit samples kept most significant byte first.
extern const grPixelStore grSwapBytesPixelStore;

// Colour-index lookup: three maps of `count` 16-bit entries. Copies share
// the three maps.
struct grPixelMap {
    uint64_t count = 0;
    libutils::refvector<unsigned short, libutils::alloc_new> red;
    libutils::refvector<unsigned short, libutils::alloc_new> green;
    libutils::refvector<unsigned short, libutils::alloc_new> blue;

    // Count 0, the three maps released.
    void reset();
    // Sets the count and resizes the three maps; returns whether the count
    // is non-zero (false also when a map cannot be allocated).
    bool resize(uint64_t n);
};

} // namespace libgr
