#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <zlib.h>

#include "image_fixtures.h"
#include "support/capture.h"
#include "support/temp_dir.h"
#include "textures/image_format.h"
#include "textures/png.h"

using namespace libgr;
using namespace imgtest;

// Five palette entries give an eight-entry map (the rest black), expanded
// to RGB by autoloadformat; 16-bit samples keep the file's byte order and a
// store that swaps them on upload.
TEST(Png, PaletteAndSixteenBitFilesOfAnotherProgram)
{
    grImage2D img;
    ASSERT_EQ(pngRead(dataFile("im_pal5.png").c_str(), img), 0);
    EXPECT_EQ(img.format, (grPixelFormat{grFmtColorIndex, grTypeUINT, grBits8}));
    ASSERT_EQ(img.pixelmap.count, 8u);
    EXPECT_TRUE(img.pixelmap.red[0] == 0xFFFF && img.pixelmap.blue[5] + img.pixelmap.red[7] == 0);
    ASSERT_TRUE(autoloadformat(img, dataFile("im_pal5.png").c_str()));
    EXPECT_EQ(img.format, (grPixelFormat{grFmtRGB, grTypeUINT, grBits8}));
    EXPECT_EQ(rowsOf(img), bytes({255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 255, 255, 255}));

    ASSERT_TRUE(autoloadformat(img, dataFile("im_rgb16.png").c_str()));
    EXPECT_EQ(img.format, (grPixelFormat{grFmtRGB, grTypeUINT, grBits16}));
    EXPECT_TRUE(img.store && img.store->swapbytes == 1u);
    const std::string px = bytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});
    EXPECT_EQ(rowsOf(img), px + px + px + px);
}

// A new file is made or nothing is written: a name already taken keeps its
// bytes and gives -6, so a caller can take the next name.
TEST(Png, NewFileNeverWritesOverATakenName)
{
    vyktest::TempDir dir;
    const grImage2D img = makeImage({grFmtRGB, grTypeUINT, grBits8}, 1, 1, bytes({1, 2, 3}));
    const std::string taken = dir.write("taken.png", "mine"), fresh = dir.file("fresh.png");
    EXPECT_EQ(pngWrite(taken.c_str(), img, "t", -1, true), -6);
    EXPECT_EQ(vyktest::readFile(taken), "mine");
    EXPECT_EQ(pngWrite(fresh.c_str(), img, "t", -1, true), 0);
    grImage2D back;
    EXPECT_EQ(pngRead(fresh.c_str(), back), 0);
}

TEST(Png, ColourIndexIsWrittenWithItsMapAsPalette)
{
    grImage2D img = makeImage({grFmtColorIndex, grTypeUINT, grBits8}, 3, 1, bytes({0, 4, 2}));
    ASSERT_TRUE(img.pixelmap.resize(5));
    for (int i = 0; i < 5; ++i)
        std::tie(img.pixelmap.red[i], img.pixelmap.green[i]) = std::tuple(i * 50 * 257, 0xFF00 + i);
    vyktest::TempDir dir;
    const std::string name = dir.file("i.png");
    ASSERT_EQ(pngWrite(name.c_str(), img, "title"), 0);
    grImage2D back;
    ASSERT_TRUE(autoloadformat(back, name.c_str()));
    EXPECT_EQ(rowsOf(back), bytes({0, 255, 0, 200, 255, 0, 100, 255, 0}));

    EXPECT_NE(pngWrite(name.c_str(), makeImage({grFmtColorIndex, grTypeUINT, grBits8}, 1, 1, bytes({0})), nullptr), 0);
}

TEST(Png, HostileFiles)
{
    vyktest::TempDir dir;
    grImage2D img;
    const std::string missing = dir.file("missing.png");
    EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_EQ(pngRead(missing.c_str(), img), -1); }),
              missing + ": file open error, No such file or directory\n");
    EXPECT_EQ(pngRead(dir.write("gif.png", "GIF89a....").c_str(), img), -1);

    // Tiny files claiming huge pictures fail before anything is allocated:
    // the header of a file of another program, its size and CRC changed.
    std::string huge = vyktest::readFile(dataFile("im_pal5.png"));
    for (uint32_t edge : {100000u, 60000u}) {
        SCOPED_TRACE(edge);
        for (int i = 0; i < 8; ++i)
            huge[16 + i] = char(edge >> (24 - 8 * (i % 4)));
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17);
        for (int i = 0; i < 4; ++i)
            huge[29 + i] = char(crc >> (24 - 8 * i));
        const std::string err =
            vyktest::stderrOf([&] { EXPECT_EQ(pngRead(dir.write("huge.png", huge).c_str(), img), -4); });
        EXPECT_EQ(err.substr(err.size() - 5), "FAIL\n");
        EXPECT_TRUE(img.empty());
    }
}

// Chunks the reader has no use for are skipped, not read: a 102-byte file
// (found by fuzzing) whose text chunk claims 628 MB made libpng take 1.4 GB
// and 20 s before failing. Read in a child, so that its peak size is its own.
TEST(Png, ClaimedChunkLengthsAreNotAllocated)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        grImage2D img;
        int result = 0;
        vyktest::stderrOf([&] { result = pngRead(dataFile("im_hugetext.png").c_str(), img); });
        _exit(result == -4 ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_LT(usage.ru_maxrss, 256 * 1024); // kilobytes
}

TEST(Png, TruncationSweep)
{
    sweepPrefixes(vyktest::readFile(dataFile("im_pal5.png")), ".png", Prefix::SamePicture,
                  [](grImage2D& img, const char* name) { return pngRead(name, img) == 0; });
}
