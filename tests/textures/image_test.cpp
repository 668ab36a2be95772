#include <gtest/gtest.h>

#include "image_fixtures.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/image_format.h"

using namespace libgr;
using namespace imgtest;

TEST(PixelFormat, BitsPerPixel)
{
    struct Case {
        grPixelFormat pf;
        uint32_t bits;
    } cases[] = {
        {{grFmtLuminance, grTypeUINT, grBits1}, 1},
        {{grFmtRGB, grTypeUINT, grBits8}, 24},
        {{grFmtRGBA, grTypeFLOAT, grBits32}, 128},
        {{grFmtBGR, grTypeUINT, grBitsP565}, 16},
        {{grFmtRGBA, grTypeUINT, grBitsP2101010}, 32},
        {{grFmtLuminanceAlpha, grTypeUINT, grBitsP62}, 8},
        {{grFmtYCbCr, grTypeUINT, grBits8}, 24},
        {{grFmtDepthStencil, grTypeUINT, grBitsNone}, 0},
        {{99, grTypeUINT, grBits8}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(grBitsPerPixel(c.pf), c.bits) << c.pf.format << "/" << c.pf.bits;
}

TEST(Image, RowLayout)
{
    grImage2D img;
    img.format = {grFmtRGB, grTypeUINT, grBits8};
    img.width = 5;
    EXPECT_EQ(img.rowSize(), 16u);
    EXPECT_EQ(img.packedRowSize(), 15u);
    img.rowlength = 7;
    EXPECT_EQ(img.rowSize(), 24u);
    grPixelStore packed{0, 1};
    img.store = &packed;
    EXPECT_EQ(img.rowSize(), 21u);
    grPixelStore zero{0, 0}; // 0 means 4
    img.store = &zero;
    EXPECT_EQ(img.rowSize(), 24u);
    img.format = {grFmtLuminance, grTypeUINT, grBits1};
    img.rowlength = 0;
    img.width = 9;
    EXPECT_EQ(img.rowSize(), 4u);
    // What the rows, skips and size promise must lie inside the storage.
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

TEST(Image, AllocateGivesOwnStorage)
{
    grImage2D a;
    a.format = {grFmtRGB, grTypeUINT, grBits8};
    a.width = 2;
    a.height = 3;
    a.skiprows = 1;
    ASSERT_TRUE(a.allocate());
    EXPECT_EQ(a.size(), 4u * 8u);
    a.data()[0] = 42;
    // A copy shares the pixels; allocating the copy must leave them alone.
    grImage2D b = a;
    EXPECT_EQ(b.data(), a.data());
    ASSERT_TRUE(b.allocate());
    EXPECT_NE(b.data(), a.data());
    EXPECT_EQ(a.data()[0], 42);
    EXPECT_EQ(a.size(), 32u);

    // An image over a read-only file mapping gets writable storage.
    vyktest::TempDir dir;
    grImage2D rgb = makeImage({grFmtRGB, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3}));
    ASSERT_TRUE(autosaveformat(rgb, dir.file("x.bmp").c_str()));
    grImage2D mapped;
    ASSERT_TRUE(autoloadformat(mapped, dir.file("x.bmp").c_str()));
    ASSERT_TRUE(mapped.allocate());
    mapped.data()[0] = 7; // would fault on the read-only mapping
    EXPECT_EQ(mapped.data()[0], 7);

    grImage2D none;
    none.format = {grFmtRGB, grTypeUINT, grBits8};
    EXPECT_FALSE(none.allocate()); // no pixels: nothing to give

    // 1-D and 3-D images count whole pixels, rows and images.
    grImage1D line;
    line.format = {grFmtRGBA, grTypeUINT, grBits8};
    line.width = 5;
    line.skippixels = 1;
    ASSERT_TRUE(line.allocate());
    EXPECT_EQ(line.size(), 24u);
    EXPECT_EQ(line.pixel(2), line.data() + 12); // pixels of 4 bytes

    grImage3D volume;
    volume.format = {grFmtLuminance, grTypeUINT, grBits8};
    volume.width = 3; // rows of 4 bytes
    volume.height = 2;
    volume.depth = 3;
    volume.skipimages = 1;
    ASSERT_TRUE(volume.allocate());
    EXPECT_EQ(volume.size(), 4u * 8u);
}
