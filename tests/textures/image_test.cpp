#include <gtest/gtest.h>
#include <tuple>

#include "image_fixtures.h"

using namespace libgr;
using namespace imgtest;

// Packed layouts have sizes of their own; codes outside the tables have none.
TEST(PixelFormat, BitsPerPixel)
{
    EXPECT_EQ(grBitsPerPixel({grFmtRGBA, grTypeFLOAT, grBits32}), 128u);
    EXPECT_EQ(grBitsPerPixel({grFmtBGR, grTypeUINT, grBitsP565}), 16u);
    EXPECT_EQ(grBitsPerPixel({grFmtLuminanceAlpha, grTypeUINT, grBitsP62}), 8u);
    EXPECT_EQ(grBitsPerPixel({grFmtYCbCr, grTypeUINT, grBits8}), 24u);
    EXPECT_EQ(grBitsPerPixel({grFmtRGBA, grTypeUINT, grBitsP2101010}), 32u);
    EXPECT_EQ(grBitsPerPixel({grFmtDepthStencil, grTypeUINT, grBitsNone}), 0u);
    EXPECT_EQ(grBitsPerPixel({99, grTypeUINT, grBits8}), 0u);
}

// Rows follow the row length and the store's alignment (0 means 4); what
// the rows, skips and size promise must lie inside the storage.
TEST(Image, RowLayout)
{
    grImage2D img;
    img.format = {grFmtRGB, grTypeUINT, grBits8};
    img.width = 5;
    EXPECT_EQ(img.rowSize(), 16u);
    img.rowlength = 7;
    EXPECT_EQ(img.rowSize(), 24u);
    const grPixelStore packed{0, 1}, zero{0, 0};
    img.store = &packed;
    EXPECT_EQ(img.rowSize(), 21u);
    img.store = &zero;
    EXPECT_EQ(img.rowSize(), 24u);
    img.format = {grFmtLuminance, grTypeUINT, grBits1};
    img.rowlength = 0;
    img.width = 9;
    EXPECT_EQ(img.rowSize(), 4u);

    img = makeImage({grFmtRGB, grTypeUINT, grBits8}, 3, 2, std::string(18, '\0'));
    EXPECT_TRUE(img.holdsPixels());
    img.height = 3;
    EXPECT_FALSE(img.holdsPixels());
    img.height = 2;
    img.skippixels = 1;
    img.rowlength = 3;
    EXPECT_FALSE(img.holdsPixels());
    img.rowlength = 4;
    EXPECT_TRUE(img.holdsPixels()); // 12-byte rows, 12 + 12 <= 24
    img.compressed = 1;
    EXPECT_FALSE(img.holdsPixels());
}

// Whole pixels, rows and images with their skips; a copy shares the pixels,
// and allocating the copy leaves them alone.
TEST(Image, AllocateGivesOwnStorage)
{
    grImage2D a;
    a.format = {grFmtRGB, grTypeUINT, grBits8};
    EXPECT_FALSE(a.allocate()); // no pixels: nothing to give
    std::tie(a.width, a.height, a.skiprows) = std::tuple(2u, 3u, 1u);
    ASSERT_TRUE(a.allocate());
    EXPECT_EQ(a.size(), 4u * 8u);
    a.data()[0] = 42;
    grImage2D b = a;
    EXPECT_EQ(b.data(), a.data());
    ASSERT_TRUE(b.allocate());
    EXPECT_NE(b.data(), a.data());
    EXPECT_EQ(a.data()[0], 42);

    grImage1D line;
    line.format = {grFmtRGBA, grTypeUINT, grBits8};
    std::tie(line.width, line.skippixels) = std::tuple(5u, 1u);
    ASSERT_TRUE(line.allocate());
    EXPECT_TRUE(line.size() == 24u && line.pixel(2) == line.data() + 12) << line.size();
    grImage3D volume;
    volume.format = {grFmtLuminance, grTypeUINT, grBits8};
    // Rows of 4 bytes, 2 rows, 3 images and 1 skipped.
    std::tie(volume.width, volume.height, volume.depth, volume.skipimages) = std::tuple(3u, 2u, 3u, 1u);
    ASSERT_TRUE(volume.allocate());
    EXPECT_EQ(volume.size(), 4u * 8u);
}
