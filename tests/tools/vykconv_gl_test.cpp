// vykconv run as a user runs it: the files it writes, and scenes converted
// that draw the pictures of their originals, as vykshot shows them. Its
// usage and failure messages are in command_line_gl_test.cpp.
#include "support/paths.h"
#include "support/picture.h"
#include "support/run.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace
{

using namespace vyktest;

const std::string kConv = programPath("vykconv");
const std::string kQuad = quadSection({{1, 1, 0}}, {255, 0, 0});

RunResult conv(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{kConv};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, 60, {"DISPLAY="});
}

// Only the frame pass's program is built: a broken override of the main
// program beside the input does not stop a conversion, of the feedback
// program it does.
TEST(Vykconv, OnlyTheFramePassProgramIsBuilt)
{
    TempDir dir;
    const std::string quad = dir.write("quad.vyk", kQuad), out = dir.file("o.vyk");
    dir.write("shader.vsd", "not glsl\n");
    EXPECT_EQ(conv({quad, out}).status, 0);
    dir.write("feedback.vsd", "not glsl\n");
    const RunResult broken = conv({quad, out});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("feedback.vsd: feedback vertex shader init failed.\n"), std::string::npos) << broken.err;
}

// A compact surface's colours are read where it keeps them: one colour for
// all (an STL file) says nothing, a colour a vertex (a PLY file) is named.
TEST(Vykconv, StlNamesWhatACompactSurfaceLeavesOut)
{
    TempDir dir;
    EXPECT_EQ(conv({sourcePath("examples/bracket.stl"), dir.file("b.stl")}).err, "");
    const std::string ply =
        dir.write("c.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                           "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
                           "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0 255 0 0\n"
                           "1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1 2\n");
    EXPECT_EQ(conv({ply, dir.file("c.stl")}).err,
              dir.file("c.stl") + ": STL holds triangles only; the colours are left out.\n");
}

TEST(Vykconv, InputsInOrderAndTheEnvironmentOfASingleInput)
{
    TempDir dir;
    writeCubeFaces(dir.file("sky"), [](int) { return rgb_t{10, 20, 30}; });
    const std::string withSky = dir.write("sky.vyk", "begin environment\ncubetex sky.bmp\nend\n" + kQuad);
    const std::string stl = sourcePath("examples/bracket.stl"), quad = dir.write("quad.vyk", kQuad);

    // One input: its environment is written first.
    RunResult r = conv({withSky, dir.file("one.vyk")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.file("one.vyk"))
                  .rfind("begin environment\r\ncubetex sky.bmp\r\nreflectalpha 1\r\n"
                         "refractalpha 0\r\nrefractfactor 1\r\nend\r\n\r\n"
                         "begin polygon_surface,4,4\r\n",
                         0),
              0u);

    // Several inputs: their models in order, no environment.
    r = conv({withSky, stl, quad, dir.file("all.vyk")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string all = readFile(dir.file("all.vyk"));
    std::string sections;
    for (size_t at = 0; (at = all.find("begin ", at)) != std::string::npos; ++at)
        sections += all.substr(at + 6, all.find('\r', at) - at - 6) + ";";
    EXPECT_EQ(sections, "polygon_surface,4,4;polygon_surface,108,144;polygon_surface,4,4;");

    // The result loads again; the STL header holds the output's name, not
    // the temporary file's.
    r = conv({dir.file("all.vyk"), dir.file("again.STL")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string again = readFile(dir.file("again.STL"));
    EXPECT_EQ(again.size(), 84u + 50 * (2 + 36 + 2));
    EXPECT_EQ(std::string(again.c_str()), dir.file("again.STL").substr(0, 80));
}

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
        RunResult r = conv({original, converted});
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
    ASSERT_EQ(symlink(sourcePath("tests/data/scenes").c_str(), dir.file("in").c_str()), 0);
    ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
    const struct {
        const char *in, *out, *line, *png;
    } cases[] = {
        {"in/mesh_quad.obj", "out/q.vyk", "texture ../in/mesh_maps/tex.bmp", nullptr},
        {"in/mesh_translated.gltf", "out/t.vyk", "texture t_0.png", "out/t_0.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        RunResult r = conv({dir.file(c.in), dir.file(c.out)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(readFile(dir.file(c.out)).find(c.line), std::string::npos);
        EXPECT_TRUE(!c.png || fileExists(dir.file(c.png)));
        // Mesh files and scene files are framed apart; as the first of the
        // pair in one morph view, either is framed alike.
        for (const std::string f : {c.in, c.out}) {
            const std::string png = dir.file(f == c.in ? "a.png" : "b.png"), other = f == c.in ? c.out : c.in;
            r = run({programPath("vykshot"), "--size", "200x150", "-o", png, dir.file(f), dir.file(other)});
            ASSERT_EQ(r.status, 0) << r.err;
        }
        EXPECT_EQ(differingPixels(readImage(dir.file("b.png")), readImage(dir.file("a.png")), 16), 0);
    }
}

} // namespace
