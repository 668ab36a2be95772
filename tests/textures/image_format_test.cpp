#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "image_fixtures.h"
#include "support/capture.h"
#include "support/temp_dir.h"
#include "textures/image_format.h"

using namespace libgr;
using namespace imgtest;

namespace
{

const grPixelFormat kRGB8{grFmtRGB, grTypeUINT, grBits8};

// Saved by extension and read back: the layouts each format keeps, and the
// ones it refuses, leaving no file behind. (BMP and TGA writers are checked
// against fixed bytes in their own tests.)
TEST(ImageFormat, RoundTripsAndRefusals)
{
    std::string ramp;
    for (int i = 0; i < 36; ++i)
        ramp += char(i * 7);
    const grPixelFormat kBGR8{grFmtBGR, grTypeUINT, grBits8}, kRGBA8{grFmtRGBA, grTypeUINT, grBits8};
    const struct {
        const char* ext;
        grPixelFormat pf;
        uint32_t w, h;
        std::string rows;
        const char* refusal = nullptr; // what a refused save prints
    } cases[] = {
        {".tga", {grFmtBGRA, grTypeUINT, grBits8}, 3, 3, ramp},
        {".png", {grFmtLuminance, grTypeUINT, grBits8}, 3, 2, bytes({0, 1, 2, 250, 251, 252})},
        {".png", {grFmtLuminance, grTypeUINT, grBits1}, 10, 2, bytes({0xA5, 0x40, 0x3C, 0xC0})},
        {".png", {grFmtLuminanceAlpha, grTypeUINT, grBits8}, 1, 1, bytes({9, 200})},
        {".png", kRGBA8, 2, 1, bytes({1, 2, 3, 4, 5, 6, 7, 8})},
        // Two rows of one 16-bit RGB pixel.
        {".png", {grFmtRGB, grTypeUINT, grBits16}, 1, 2, bytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 1, 2, 3, 4, 5, 6})},
        {".jpg", kRGB8, 8, 8, std::string(64 * 3, char(77))}, // one flat colour comes back exactly
        {".bmp", {grFmtLuminance, grTypeUINT, grBits8}, 2, 1, bytes({1, 2}), ""},
        {".bmp", kRGBA8, 1, 1, bytes({1, 2, 3, 4}), "convert(to bmp): not supported format.\n"},
        {".tga", {grFmtRGBA, grTypeUINT, grBitsP1555}, 1, 1, bytes({1, 2}), ""},
        {".tga", {grFmtRGB, grTypeSINT, grBits8}, 1, 1, bytes({1, 2, 3}), ""},
        {".tga", {grFmtLuminanceAlpha, grTypeUINT, grBits8}, 1, 1, bytes({1, 2}), ""},
        {".png", {grFmtBGR, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3}), ""},
        {".png", {grFmtRGB, grTypeUINT, grBits32}, 1, 1, std::string(12, '\1'), ""},
        {".jpg", kBGR8, 1, 1, bytes({1, 2, 3}), ""},
        {".jpg", kRGBA8, 1, 1, bytes({1, 2, 3, 4}), ""},
    };
    vyktest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ext << " " << c.pf.format << "/" << c.pf.type << "/" << c.pf.bits);
        const std::string name = dir.file(std::string("r") + c.ext);
        std::remove(name.c_str());
        bool saved = false;
        const std::string err =
            vyktest::stderrOf([&] { saved = autosaveformat(makeImage(c.pf, c.w, c.h, c.rows), name.c_str()); });
        EXPECT_EQ(saved, c.refusal == nullptr);
        if (!saved) {
            EXPECT_EQ(err, c.refusal);
            EXPECT_FALSE(vyktest::fileExists(name));
            continue;
        }
        grImage2D back;
        ASSERT_TRUE(autoloadformat(back, name.c_str()));
        EXPECT_EQ(back.format, c.pf);
        EXPECT_EQ(rowsOf(back), c.rows);
    }
}

TEST(ImageFormat, UnknownExtensions)
{
    grImage2D img = makeImage(kRGB8, 1, 1, bytes({1, 2, 3}));
    EXPECT_EQ(vyktest::stderrOf([&] {
                  EXPECT_FALSE(autoloadformat(img, "picture.gif"));
                  EXPECT_FALSE(autosaveformat(img, "picture.gif"));
                  EXPECT_FALSE(autoloadformat(img, "jpg"));
              }),
              "autoloadformat load fail, fname=picture.gif\nautosaveformat load fail, fname=picture.gif\n"
              "autoloadformat load fail, fname=jpg\n");
}

// In every format: a full disk, or a name that cannot be opened for
// writing, fails the save. A FIFO would block an open for reading until a
// writer came along; it, a directory, a missing or an empty file fail the
// load cleanly.
TEST(ImageFormat, NamesThatAreNotImageFilesFailCleanly)
{
    vyktest::TempDir dir;
    const grImage2D rgb = makeImage(kRGB8, 64, 64, std::string(64 * 64 * 3, '\x55'));
    for (const std::string ext : {".bmp", ".tga", ".jpg", ".png"}) {
        const std::string fifo = dir.file("p" + ext), folder = dir.file("d" + ext), full = dir.file("full" + ext);
        ASSERT_TRUE(!mkfifo(fifo.c_str(), 0600) && !mkdir(folder.c_str(), 0700) && !symlink("/dev/full", full.c_str()));
        vyktest::stderrOf([&] {
            EXPECT_FALSE(autosaveformat(rgb, full.c_str())) << ext;
            EXPECT_FALSE(autosaveformat(rgb, folder.c_str())) << ext;
        });
        for (const std::string& path : {fifo, folder, dir.file("m" + ext), dir.write("e" + ext, "")}) {
            grImage2D img;
            vyktest::stderrOf([&] { EXPECT_FALSE(autoloadformat(img, path.c_str())) << path; });
            EXPECT_TRUE(img.empty()) << path;
        }
    }
}

} // namespace
