// vykconv run as a user runs it: the files it writes. Its usage and
// failure messages are in command_line_gl_test.cpp.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include "support/scene_text.h"

#include <string>
#include <vector>

namespace
{

using vyktest::readFile;

const std::string kConv = vyktest::programPath("vykconv");
const std::string kQuad = vyktest::quadSection(1, 1, 0, {255, 0, 0});

vyktest::RunResult conv(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{kConv};
    argv.insert(argv.end(), args.begin(), args.end());
    return vyktest::run(argv, 60, {"DISPLAY="});
}

// Only the frame pass's program is built: a broken override of the main
// program beside the input does not stop a conversion, of the feedback
// program it does.
TEST(Vykconv, OnlyTheFramePassProgramIsBuilt)
{
    vyktest::TempDir dir;
    const std::string quad = dir.write("quad.vyk", kQuad), out = dir.file("o.vyk");
    dir.write("shader.vsd", "not glsl\n");
    EXPECT_EQ(conv({quad, out}).status, 0);
    dir.write("feedback.vsd", "not glsl\n");
    const vyktest::RunResult broken = conv({quad, out});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("feedback.vsd: feedback vertex shader init failed.\n"), std::string::npos) << broken.err;
}

TEST(Vykconv, InputsInOrderAndTheEnvironmentOfASingleInput)
{
    vyktest::TempDir dir;
    vyktest::writeCubeFaces(dir.file("sky"), [](int) { return vyktest::rgb_t{10, 20, 30}; });
    const std::string withSky = dir.write("sky.vyk", vyktest::environmentSection("sky") + kQuad);
    const std::string stl = vyktest::sourcePath("examples/bracket.stl"), quad = dir.write("quad.vyk", kQuad);

    // One input: its environment is written first.
    vyktest::RunResult r = conv({withSky, dir.file("one.vyk")});
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
    const size_t second = all.find("begin polygon_surface,108,144\r\n");
    EXPECT_EQ(all.find("begin environment"), std::string::npos);
    EXPECT_EQ(all.find("begin polygon_surface,4,4\r\n"), 0u);
    EXPECT_NE(second, std::string::npos);
    EXPECT_NE(all.find("begin polygon_surface,4,4\r\n", second), std::string::npos);

    // The result loads again; the STL header holds the output's name, not
    // the temporary file's.
    r = conv({dir.file("all.vyk"), dir.file("again.STL")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string again = readFile(dir.file("again.STL"));
    EXPECT_EQ(again.size(), 84u + 50 * (2 + 36 + 2));
    EXPECT_EQ(std::string(again.c_str()), dir.file("again.STL").substr(0, 80));
}

} // namespace
