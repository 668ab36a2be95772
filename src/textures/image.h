// Image records: pixel bytes in shared mapped storage plus the pixel format
// and the unpack layout OpenGL reads them with. Rows are stored bottom row
// first. Copies share the pixel storage and the colour-index maps.
#pragma once

#include <cstdint>

#include "foundation/alloc_mmap.h"
#include "foundation/refvector.h"
#include "textures/pixel_format.h"

namespace libgr
{

using grByteVector = libutils::ofsvector<unsigned char, libutils::alloc_mmap>;

// Decoders refuse images of more pixels than this before allocating, so a
// tiny file cannot demand gigabytes (16384 x 8192 still loads).
constexpr uint64_t grMaxDecodedPixels = uint64_t(1) << 27;

class grImage1D : public grByteVector
{
  public:
    grPixelFormat format;
    const grPixelStore* store = nullptr;
    uint32_t skippixels = 0;
    uint32_t width = 0;
    uint8_t compressed = 0;
    grPixelMap pixelmap;

    uint32_t bitsPerPixel() const { return grBitsPerPixel(format); }
    // Bytes of the one row (skip pixels included), rounded up to whole bytes.
    uint64_t rowSize() const;
    // Gives the image fresh storage of its own (an anonymous read/write
    // mapping) for rowSize() bytes; storage shared with other images or a
    // read-only file mapping is left to them. Returns success.
    using grByteVector::allocate;
    bool allocate();
    // Address of pixel `x`: start + view offset + (skip pixels + x) pixels
    // (whole bytes per pixel; sub-byte formats address the byte holding it).
    unsigned char* pixel(uint32_t x) { return data() + (uint64_t(skippixels) + x) * bitsPerPixel() / 8; }
};

class grImage2D : public grByteVector
{
  public:
    grPixelFormat format;
    const grPixelStore* store = nullptr;
    uint32_t rowlength = 0; // 0 means the width
    uint32_t skippixels = 0;
    uint32_t skiprows = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t compressed = 0;
    grPixelMap pixelmap;

    uint32_t bitsPerPixel() const { return grBitsPerPixel(format); }
    // Row alignment of the store: 4 without a store or when it says 0.
    uint32_t alignment() const;
    // (row length or width) x bits per pixel, rounded up to whole bytes,
    // then to a multiple of the alignment.
    uint64_t rowSize() const;
    // width x bits per pixel / 8, not rounded.
    uint64_t packedRowSize() const;
    // Bytes the unpack layout reads: (skip rows + height) x row size.
    uint64_t imageSize() const { return (uint64_t(skiprows) + height) * rowSize(); }
    // True when the view holds every byte the unpack layout reads (and the
    // skips and row length are consistent): the image can be read row by
    // row through row() without leaving its buffer. Compressed images are
    // never "held" in this sense.
    bool holdsPixels() const;
    // First byte of row y (0 = bottom): start + view offset +
    // (y + skip rows) x row size + skip pixels x bits per pixel / 8.
    unsigned char* row(uint32_t y);
    const unsigned char* row(uint32_t y) const;

    // Gives the image fresh storage of its own (an anonymous read/write
    // mapping, zero-filled) for imageSize() bytes; storage shared with other
    // images or a read-only file mapping is left to them. Fails for an empty
    // size. Returns success.
    using grByteVector::allocate;
    bool allocate();
};

class grImage3D : public grByteVector
{
  public:
    grPixelFormat format;
    const grPixelStore* store = nullptr;
    uint32_t rowlength = 0;
    uint32_t imageheight = 0; // 0 means the height
    uint32_t skippixels = 0;
    uint32_t skiprows = 0;
    uint32_t skipimages = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
    uint8_t compressed = 0;
    grPixelMap pixelmap;

    uint32_t bitsPerPixel() const { return grBitsPerPixel(format); }
    uint64_t rowSize() const;
    // Bytes of one image slice: (image height or height) x row size.
    uint64_t sliceSize() const;
    // (skip images + depth) slices; see grImage2D::allocate.
    using grByteVector::allocate;
    bool allocate();
};

} // namespace libgr
