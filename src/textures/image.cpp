#include "textures/image.h"

namespace libgr
{

namespace
{

uint64_t roundUp(uint64_t n, uint64_t multiple)
{
    return (n + multiple - 1) / multiple * multiple;
}

uint32_t storeAlignment(const grPixelStore* store)
{
    if (!store || store->alignment == 0)
        return 4;
    return uint32_t(store->alignment);
}

// Fresh anonymous storage of `bytes`: an image that shared its block with
// another image, or that viewed a read-only file mapping, must not resize or
// write into that block, so the old block is dropped rather than reallocated.
bool freshStorage(grByteVector& v, uint64_t bytes)
{
    v.release();
    if (bytes == 0)
        return false;
    return v.reallocate(bytes, 0);
}

} // namespace

// --- 1-D

uint64_t grImage1D::rowSize() const
{
    return (uint64_t(skippixels + uint64_t(width)) * bitsPerPixel() + 7) / 8;
}

bool grImage1D::allocate()
{
    return freshStorage(*this, rowSize());
}

// --- 2-D

uint32_t grImage2D::alignment() const
{
    return storeAlignment(store);
}

uint64_t grImage2D::rowSize() const
{
    uint64_t pixels = rowlength ? rowlength : width;
    return roundUp((pixels * bitsPerPixel() + 7) / 8, alignment());
}

uint64_t grImage2D::packedRowSize() const
{
    return uint64_t(width) * bitsPerPixel() / 8;
}

bool grImage2D::holdsPixels() const
{
    if (compressed || width == 0 || height == 0 || bitsPerPixel() == 0 || !data())
        return false;
    if (rowlength != 0 && uint64_t(skippixels) + width > rowlength)
        return false;
    uint64_t rows = uint64_t(skiprows) + height;
    uint64_t rs = rowSize();
    uint64_t used = (uint64_t(skippixels) + width) * bitsPerPixel();
    used = (used + 7) / 8;
    if (rs != 0 && rows - 1 > (UINT64_MAX - used) / rs)
        return false;
    return (rows - 1) * rs + used <= size();
}

unsigned char* grImage2D::row(uint32_t y)
{
    return data() + (uint64_t(y) + skiprows) * rowSize() + uint64_t(skippixels) * bitsPerPixel() / 8;
}

const unsigned char* grImage2D::row(uint32_t y) const
{
    return data() + (uint64_t(y) + skiprows) * rowSize() + uint64_t(skippixels) * bitsPerPixel() / 8;
}

bool grImage2D::allocate()
{
    uint64_t rows = uint64_t(skiprows) + height;
    uint64_t rs = rowSize();
    if (rs != 0 && rows > UINT64_MAX / rs)
        return false;
    return freshStorage(*this, rows * rs);
}

// --- 3-D

uint64_t grImage3D::rowSize() const
{
    uint64_t pixels = rowlength ? rowlength : width;
    uint32_t align = storeAlignment(store);
    return roundUp((pixels * bitsPerPixel() + 7) / 8, align);
}

uint64_t grImage3D::sliceSize() const
{
    return uint64_t(imageheight ? imageheight : height) * rowSize();
}

bool grImage3D::allocate()
{
    uint64_t slices = uint64_t(skipimages) + depth;
    uint64_t ss = sliceSize();
    if (ss != 0 && slices > UINT64_MAX / ss)
        return false;
    // Skip rows reach into the first slice; the last slice needs them too.
    return freshStorage(*this, slices * ss + uint64_t(skiprows) * rowSize());
}

} // namespace libgr
