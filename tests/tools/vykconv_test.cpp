// vykconv run as a user runs it: arguments, messages, statuses, files.
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

using vyktest::readFile;
using vyktest::run;

std::string conv()
{
    return vyktest::programPath("vykconv");
}

std::string le(uint32_t v, int bytes)
{
    std::string s;
    for (int k = 0; k < bytes; ++k)
        s += char((v >> (8 * k)) & 0xFF);
    return s;
}

// A 1 x 1 24-bit BMP of one colour.
std::string bmp1x1(uint8_t r, uint8_t g, uint8_t b)
{
    std::string s = "BM" + le(58, 4) + le(0, 4) + le(54, 4);                // 14-byte file header
    s += le(40, 4) + le(1, 4) + le(1, 4) + le(1, 2) + le(24, 2) + le(0, 4); // info header: 1x1, 24 bits
    s += le(4, 4) + le(2835, 4) + le(2835, 4) + le(0, 4) + le(0, 4);
    s += std::string{char(b), char(g), char(r), 0}; // one BGR pixel, row padded to 4 bytes
    return s;
}

const std::string kQuad = "begin polygon_surface,4,4\n"
                          "color 255,0,0,255\n"
                          "position 0,0,0\nposition 1,0,0\nposition 0,1,0\nposition 1,1,0.5\n"
                          "element 0\nelement 1\nelement 2\nelement 3\n"
                          "tangent 1,0,0\ntangent 1,0,0\ntangent 1,0,0\ntangent 1,0,0\n"
                          "binormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\n"
                          "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\n"
                          "end\n";

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(Vykconv, ArgumentsAndMessages)
{
    vyktest::TempDir dir;
    std::string quad = dir.write("quad.vyk", kQuad);
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        bool usageOnStdout;
        std::string err; // exact, or a prefix when it ends in "..."
        std::string absent;
    };
    const std::string missingDir = dir.file("no/such/dir/out.vyk");
    const Case cases[] = {
        {"help", {"--help"}, 0, true, "", ""},
        {"help among files", {quad, "-h", dir.file("x.vyk")}, 0, true, "", dir.file("x.vyk")},
        {"no arguments", {}, 1, false, "usage: ...", ""},
        {"one argument", {quad}, 1, false, "usage: ...", ""},
        {"unknown output ending",
         {quad, dir.file("out.obj")},
         1,
         false,
         "file extension not recognized.\n",
         dir.file("out.obj")},
        {"unwritable directory", {quad, missingDir}, 1, false, missingDir + ": write error.\n", missingDir},
        {"missing input",
         {dir.file("absent.vyk"), dir.file("o.vyk")},
         1,
         false,
         dir.file("absent.vyk") + ": file open error.\n" + dir.file("absent.vyk") + ": load error.\n",
         dir.file("o.vyk")},
        {"unknown input ending",
         {dir.file("x.txt"), dir.file("o.vyk")},
         1,
         false,
         "file extension not recognized.\n" + dir.file("x.txt") + ": load error.\n",
         dir.file("o.vyk")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> argv = {conv()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        vyktest::RunResult r = run(argv, 60, {"DISPLAY="});
        EXPECT_EQ(r.status, c.status);
        if (c.usageOnStdout) {
            EXPECT_EQ(r.out.rfind("usage: " + conv() + " IN... OUT\n", 0), 0u) << r.out;
        } else {
            EXPECT_EQ(r.out, "");
        }
        if (c.err.size() > 3 && c.err.substr(c.err.size() - 3) == "...") {
            EXPECT_EQ(r.err.rfind(c.err.substr(0, c.err.size() - 3), 0), 0u) << r.err;
        } else {
            EXPECT_EQ(r.err, c.err);
        }
        if (!c.absent.empty()) {
            EXPECT_FALSE(vyktest::fileExists(c.absent));
        }
    }
    // No temporary file is left beside a failed output.
    EXPECT_EQ(run({"/bin/ls", "-A", dir.path()}).out, "quad.vyk\n");
}

TEST(Vykconv, FailedLoadKeepsTheOldOutput)
{
    vyktest::TempDir dir;
    std::string out = dir.write("out.vyk", "old contents\n");
    vyktest::RunResult r = run({conv(), dir.write("bad.vyk", "# nothing\n"), out}, 60, {"DISPLAY="});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readFile(out), "old contents\n");
}

TEST(Vykconv, StlToSceneTextToStlKeepsEveryTriangle)
{
    vyktest::TempDir dir;
    const std::string original = readFile(vyktest::sourcePath("examples/bracket.stl"));
    ASSERT_GT(original.size(), 84u);
    uint32_t triangles = 0;
    std::memcpy(&triangles, original.data() + 80, 4);

    vyktest::RunResult r =
        run({conv(), vyktest::sourcePath("examples/bracket.stl"), dir.file("b.vyk")}, 60, {"DISPLAY="});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string text = readFile(dir.file("b.vyk"));
    EXPECT_EQ(text.rfind("begin polygon_surface," + std::to_string(3 * triangles) + "," +
                             std::to_string(4 * triangles) + "\r\n",
                         0),
              0u);
    EXPECT_EQ(count(text, "element -1\r\n"), triangles);

    r = run({conv(), dir.file("b.vyk"), dir.file("b.STL")}, 60, {"DISPLAY="});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string back = readFile(dir.file("b.STL"));
    ASSERT_EQ(back.size(), original.size());
    // The header holds the output's name, not the temporary file's.
    EXPECT_EQ(std::string(back.c_str()), dir.file("b.STL").substr(0, 80));
    // Every corner comes back bit for bit (the bracket's coordinates have
    // fewer than 6 significant digits); the normals are recomputed.
    for (uint32_t t = 0; t < triangles; ++t)
        EXPECT_EQ(back.substr(84 + 50 * t + 12, 36), original.substr(84 + 50 * t + 12, 36)) << t;
}

TEST(Vykconv, InputsInOrderAndTheEnvironmentOfASingleInput)
{
    vyktest::TempDir dir;
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"})
        dir.write(std::string("sky_") + face + ".bmp", bmp1x1(10, 20, 30));
    std::string withSky = dir.write("sky.vyk", "begin environment\ncubetex sky.bmp\nrefractalpha 0.5\nend\n" + kQuad);
    std::string stl = vyktest::sourcePath("examples/bracket.stl");

    // One input: its environment is written first.
    vyktest::RunResult r = run({conv(), withSky, dir.file("one.vyk")}, 60, {"DISPLAY="});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string one = readFile(dir.file("one.vyk"));
    EXPECT_EQ(one.rfind("begin environment\r\ncubetex sky.bmp\r\nreflectalpha 1\r\nrefractalpha 0.5\r\n"
                        "refractfactor 1\r\nend\r\n\r\nbegin polygon_surface,4,4\r\n",
                        0),
              0u)
        << one;

    // Several inputs: their models in order, no environment.
    r = run({conv(), withSky, stl, dir.file("quad.vyk"), dir.file("all.vyk")}, 60, {"DISPLAY="});
    EXPECT_EQ(r.status, 1); // quad.vyk does not exist yet
    dir.write("quad.vyk", kQuad);
    r = run({conv(), withSky, stl, dir.file("quad.vyk"), dir.file("all.vyk")}, 60, {"DISPLAY="});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string all = readFile(dir.file("all.vyk"));
    EXPECT_EQ(count(all, "begin environment"), 0u);
    size_t first = all.find("begin polygon_surface,4,4\r\n");
    size_t second = all.find("begin polygon_surface,108,144\r\n");
    size_t third = all.find("begin polygon_surface,4,4\r\n", first + 1);
    EXPECT_EQ(first, 0u);
    EXPECT_NE(second, std::string::npos);
    EXPECT_NE(third, std::string::npos);
    EXPECT_LT(second, third);

    // The result loads again.
    r = run({conv(), dir.file("all.vyk"), dir.file("again.stl")}, 60, {"DISPLAY="});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.file("again.stl")).size(), 84u + 50 * (2 + 36 + 2));
}

} // namespace
