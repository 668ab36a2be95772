// Scenes converted by vykconv draw the pictures of their originals, as
// vykshot shows them.
#include "support/paths.h"
#include "support/picture.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace
{

using namespace vyktest;

TEST(VykconvPictures, ConvertedExamplesLookTheSame)
{
    TempDir dir;
    // The converted scenes lie beside the examples' images, as their
    // texture paths are relative to the scene file.
    ASSERT_EQ(symlink(sourcePath("examples/images").c_str(), dir.file("images").c_str()), 0);
    for (const char* name : {"demo", "globe", "torus", "panel", "bracket"}) {
        SCOPED_TRACE(name);
        const std::string original = sourcePath("examples/") + name + (name[0] == 'b' ? ".stl" : ".vyk");
        const std::string converted = dir.file(std::string(name) + ".vyk");
        RunResult r = run({programPath("vykconv"), original, converted});
        ASSERT_EQ(r.status, 0) << r.err;
        r = run({programPath("vykshot"), "--size", "400x300", "-o", dir.file("b.png"), converted});
        ASSERT_EQ(r.status, 0) << r.err;
        // Coordinates written to 6 significant digits move an edge by far
        // less than a pixel: a few pixels may change by a few levels.
        const Image reference = readImage(sourcePath("examples/pictures/") + name + ".png");
        EXPECT_EQ(differingPixels(readImage(dir.file("b.png")), reference, 16), 0);
    }
}

} // namespace
