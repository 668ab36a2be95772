// Scenes converted by vykconv draw the pictures of their originals, as
// vykshot shows them.
#include "support/mesh_files.h"
#include "support/paths.h"
#include "support/picture.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
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

// Mesh files converted to scene text in another directory: maps named from
// there, embedded ones written beside as PNG, and the same picture.
TEST(VykconvPictures, MeshFilesKeepTheirMaps)
{
    TempDir dir;
    assimptest::objFiles(dir);
    dir.write("tri.gltf", assimptest::gltf(dir, R"(,"translation":[0,0,-3])", {0, 200, 0}));
    ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
    const struct {
        const char *in, *out, *line, *png;
    } cases[] = {
        {"quad.obj", "out/q.vyk", "texture ../maps/tex.bmp", nullptr},
        {"tri.gltf", "out/t.vyk", "texture t_0.png", "out/t_0.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        RunResult r = run({programPath("vykconv"), dir.file(c.in), dir.file(c.out)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(readFile(dir.file(c.out)).find(c.line), std::string::npos);
        EXPECT_TRUE(!c.png || fileExists(dir.file(c.png)));
        for (const std::string f : {c.in, c.out}) {
            r = run({programPath("vykshot"), "--size", "200x150", "-o", dir.file(f + ".png"), dir.file(f)});
            ASSERT_EQ(r.status, 0) << r.err;
        }
        EXPECT_EQ(differingPixels(readImage(dir.file(std::string(c.out) + ".png")),
                                  readImage(dir.file(std::string(c.in) + ".png")), 16),
                  0);
    }
}

} // namespace
