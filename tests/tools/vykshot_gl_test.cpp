// vykshot run as a user runs it: pictures of the examples against their
// reference pictures, the morph clock, and scene files that load but make
// nonsense. Its usage and failures are in command_line_gl_test.cpp.
#include "support/mesh_files.h"
#include "support/paths.h"
#include "support/picture.h"
#include "support/run.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include "support/x11_session.h" // after gtest.h: Xlib defines None and Bool

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

using namespace vyktest;

const std::string kShot = programPath("vykshot");

class VykshotTest : public ::testing::Test
{
  protected:
    XServer x;
    TempDir dir;
    void SetUp() override { ASSERT_TRUE(x.ok()); }

    // Runs vykshot in the temporary directory on `files` with `options`,
    // after env(1) with `env`.
    RunResult shot(const std::vector<std::string>& options, const std::vector<std::string>& files,
                   const std::string& out = "out.png", const std::string& env = "")
    {
        std::string cmd = "cd " + quote(dir.path()) + " && exec env " + env + " " + quote(kShot);
        for (const auto& o : options)
            cmd += " " + quote(o);
        cmd += " -o " + quote(out);
        for (const auto& f : files)
            cmd += " " + quote(f);
        return shell(x, cmd, 120);
    }
    Image picture(const std::string& out = "out.png") { return readImage(dir.file(out)); }
};

// Every example drawn as the README shows it (examples/pictures, made by
// vykshot on llvmpipe). Rendering on llvmpipe repeats to the bit; the
// tolerance leaves room for another Mesa version, not for a shading fault.
// A failure leaves a difference image in the build directory. The globe is
// drawn from a folder 600 bytes deep too: no path is cut, so the decoy sky
// at the path a cut at 259 bytes would give is never read.
TEST_F(VykshotTest, ExamplesMatchTheirReferencePictures)
{
    const std::string ex = sourcePath("examples/");
    namespace fs = std::filesystem;
    std::string deep;
    while (deep.size() < 600)
        deep += "directory" + std::to_string(10 + deep.size() / 12) + "/";
    fs::create_directories(dir.file(deep));
    fs::copy(ex + "globe.vyk", dir.file(deep + "globe.vyk"));
    fs::copy(ex + "images", dir.file(deep + "images"));
    fs::create_directories(dir.file(deep.substr(0, 259) + "images"));
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"})
        fs::copy(ex + "images/panel_color.jpg", dir.file(deep.substr(0, 259) + "images/sky_" + face + ".jpg"));
    const struct {
        const char* picture;
        std::vector<std::string> files;
        const char* elapsed;
    } cases[] = {
        {"demo", {ex + "demo.vyk"}, "0"},
        {"globe", {ex + "globe.vyk"}, "0"},
        {"globe", {deep + "globe.vyk"}, "0"},
        {"torus", {ex + "torus.vyk"}, "0"},
        {"panel", {ex + "panel.vyk"}, "0"},
        {"bracket", {ex + "bracket.stl"}, "0"},
        {"morph_ab_500ms", {ex + "morph_a.vyk", ex + "morph_b.vyk", ex + "morph_c.vyk"}, "500"},
    };
    const std::string diffs = programPath("picture-diffs");
    fs::create_directories(diffs);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture);
        const RunResult r = shot({"--size", "400x300", "--elapsed", c.elapsed}, c.files);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::string diff = diffs + "/" + c.picture + ".png";
        std::filesystem::remove(diff); // none left from an earlier run
        EXPECT_LE(differingPixels(picture(), readImage(ex + "pictures/" + c.picture + ".png"), 8, diff), 40)
            << "differences in red: " << diff;
    }
}

// Models anywhere, of any size, flat or long: each whole inside the
// picture, centred within an eighth of it and at least two fifths of it
// across, in a wide and a tall picture.
TEST_F(VykshotTest, EveryModelIsFramedWholeAndCentred)
{
    const struct {
        const char* name;
        std::string off;
    } cases[] = {
        {"unit cube at the origin's corner", offBox({0, 0, 0}, {1, 1, 1})},
        {"1e5 torus", offTorus(1e5)},
        {"cube far along x", offBox({1000, -5, -5}, {1010, 5, 5})},
        {"0.005 torus", offTorus(0.005, {0.01, 0, 0})},
        {"cube far along y", offBox({-5, 1000, -5}, {5, 1010, 5})},
        {"long bar", offBox({-50, 0, 0}, {50, 4, 4})},
        {"cube far along z", offBox({-5, -5, 1000}, {5, 5, 1010})},
        {"edge-on", offBox({0, 0, 0}, {4, 0.2, 4})},
        {"cube at negative coordinates", offBox({-110, -110, -10}, {-100, -100, 0})},
    };
    for (const auto& c : cases) {
        dir.write("model.off", c.off);
        for (const auto& [w, h] : {std::pair{160, 120}, {90, 160}}) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(w) + "x" + std::to_string(h));
            const RunResult r = shot({"--size", std::to_string(w) + "x" + std::to_string(h)}, {"model.off"});
            ASSERT_EQ(r.status, 0) << r.err;
            const PixelBox b = contentBox(picture());
            EXPECT_TRUE(b.x0 > 0 && b.y0 > 0 && b.x1 < w - 1 && b.y1 < h - 1);
            EXPECT_LE(std::abs(b.x0 + b.x1 + 1 - w), w / 4); // centres an eighth apart
            EXPECT_LE(std::abs(b.y0 + b.y1 + 1 - h), h / 4);
            EXPECT_TRUE(b.x1 - b.x0 + 1 >= w * 2 / 5 || b.y1 - b.y0 + 1 >= h * 2 / 5);
        }
    }
}

// Both sides lit: a sphere and the same sphere wound inside out are as
// bright; a box keeps flat faces; constant texture coordinates leave no facet pattern (neighbours
// whose brightness jumps); a point cloud and a file of lines show.
TEST_F(VykshotTest, MeshesAreLitWhateverTheirWindingAndPointsAndLinesShow)
{
    // The drawn pixels, their mean brightness, and the share of them whose
    // drawn right neighbour jumps in brightness.
    auto shade = [&](const std::string& name, const std::string& bytes) {
        dir.write(name, bytes);
        EXPECT_EQ(shot({"--size", "128x128"}, {name}).status, 0) << name;
        const Image im = picture();
        auto grey = [&](int x, int y) { return (im.at(x, y)[0] + im.at(x, y)[1] + im.at(x, y)[2]) / 3; };
        double drawn = 0, sum = 0, jumps = 0;
        for (int y = 0; y < im.height; ++y)
            for (int x = 0; x + 1 < im.width; ++x)
                if (std::abs(grey(x, y) - 46) > 12) {
                    drawn += 1, sum += grey(x, y);
                    jumps += std::abs(grey(x + 1, y) - 46) > 12 && std::abs(grey(x, y) - grey(x + 1, y)) > 16;
                }
        return std::array<double, 3>{drawn, sum / std::max(drawn, 1.0), jumps / std::max(drawn, 1.0)};
    };
    const auto out = shade("out.off", offSphere(false)), in = shade("in.off", offSphere(true));
    EXPECT_NEAR(in[1], out[1], out[1] / 4);
    // A box without normals keeps flat faces: normals smoothed over its
    // edges turn the face in front dark from the middle out.
    EXPECT_GT(shade("box.off", offBox({0, 0, 0}, {1, 1, 1}))[1], 150);
    EXPECT_LT(shade("uv.obj", offSphere(false, true))[2], 0.02);
    EXPECT_GT(shade("cloud.ply", "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\n"
                                 "property float z\nend_header\n0 0 0\n1 1 0\n")[0],
              0);
    EXPECT_GT(shade("lines.obj", "v 0 0 0\nv 1 1 0\nv 2 0 1\nl 1 2\nl 2 3\n")[0], 0);
}

// A surface without maps is drawn from its compact form, and with
// VYK_FULL_RECORDS from the full records: the same statuses and messages,
// and pictures apart by rounding alone (no channel by more than 2, at most
// 0.1% of the pixels by more than 1), at two sizes. STL files, and meshes
// with smooth and creased normals, vertex colours and a specular colour.
TEST_F(VykshotTest, CompactFormDrawsAsTheFullRecords)
{
    std::vector<std::string> files{sourcePath("examples/bracket.stl")};
    for (const std::string folder : {"tests/data", "tests/data/scenes"})
        for (const auto& entry : std::filesystem::directory_iterator(sourcePath(folder)))
            if (entry.path().extension() == ".stl" || entry.path().extension() == ".STL")
                files.push_back(entry.path().string());
    dir.write("sphere.off", offSphere(false));
    dir.write("box.off", offBox({0, 0, 0}, {1, 2, 1}));
    dir.write("colours.ply", "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                             "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
                             "element face 2\nproperty list uchar int vertex_indices\nend_header\n0 0 0 255 0 0\n"
                             "1 0 0 0 255 0\n0 1 0.5 0 0 255\n1 1 0 255 255 0\n3 0 1 2\n3 1 3 2\n");
    dir.write("plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0.5\nf 1 2 3\nf 2 4 3\n"); // black specular
    for (const char* name : {"sphere.off", "box.off", "colours.ply", "plain.obj"})
        files.push_back(dir.file(name));
    for (const std::string& file : files)
        for (const char* size : {"400x300", "1021x767"}) {
            SCOPED_TRACE(file + " " + size);
            const RunResult compact = shot({"--size", size}, {file}, "compact.png");
            const RunResult full = shot({"--size", size}, {file}, "full.png", "VYK_FULL_RECORDS=1");
            EXPECT_EQ(compact.status, full.status);
            EXPECT_EQ(compact.err, full.err);
            if (full.status != 0)
                continue;
            const Image a = picture("compact.png"), b = picture("full.png");
            EXPECT_EQ(differingPixels(a, b, 2), 0);
            EXPECT_LE(differingPixels(a, b, 1), long(b.rgb.size() / 3 / 1000));
        }
}

// Step 0 at rate 0 is the first file's model, step 1 the second's; two full
// cycles later the clock is back at 0. The blend between is in the morph's
// reference picture.
TEST_F(VykshotTest, MorphBetweenTwoFilesFollowsTheClock)
{
    dir.write("a.vyk", quadSection({{2, 2, 0}}, {230, 0, 0}));
    dir.write("b.vyk", quadSection({{2, 2, 0}}, {0, 0, 230}));
    for (const auto& [elapsed, lead] : {std::pair{"0", 0}, {"1000", 2}, {"4000", 0}}) {
        const RunResult r = shot({"--elapsed", elapsed}, {"a.vyk", "b.vyk"});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto p = picture().at(250, 300); // away from the highlight
        EXPECT_GT(p[lead], p[2 - lead] + 50) << elapsed;
    }
}

// Without an X server vykshot draws through EGL; with one but EGL's vendor
// list hidden, through a hidden window on it. The pictures agree; with
// neither there is one line and status 1.
TEST_F(VykshotTest, SamePictureWithoutAnXServer)
{
    const std::string noEgl = "__EGL_VENDOR_LIBRARY_FILENAMES=/dev/null";
    const std::vector<std::string> options = {"--size", "400x300", "--elapsed", "1500"};
    const std::string globe = sourcePath("examples/globe.vyk");
    const std::vector<std::string> scenes[] = {
        {globe}, {sourcePath("examples/morph_a.vyk"), sourcePath("examples/morph_b.vyk")}};
    for (const auto& files : scenes) {
        SCOPED_TRACE(files[0]);
        RunResult r = shot(options, files, "egl.png", "-u DISPLAY");
        ASSERT_EQ(r.status, 0) << r.err;
        r = shot(options, files, "glx.png", noEgl);
        ASSERT_EQ(r.status, 0) << r.err;
        const Image egl = picture("egl.png");
        ASSERT_FALSE(egl.empty());
        EXPECT_EQ(differingPixels(egl, picture("glx.png"), 3), 0);
    }
    const RunResult r = shot(options, {globe}, "none.png", "-u DISPLAY " + noEgl);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "no OpenGL context: neither EGL nor an X display is available.\n");
}

// Files that load but make nonsense: the picture is still written, the
// program ends normally and its first line on stderr says what was wrong.
TEST_F(VykshotTest, NonsenseScenesNeitherCrashNorHang)
{
    const std::string quad = quadSection({{1, 1, 0}}, {100, 100, 100});
    const std::string first = "position -0.5,-0.5,0\n";
    auto withFirst = [&](const std::string& p) { return std::string(quad).replace(quad.find(first), first.size(), p); };
    // inf - inf is NaN; 1e400 is infinite once stored as a float
    dir.write("nan.vyk", withFirst("position 1e400-1e400,-0.5,0\n"));
    dir.write("inf.vyk", withFirst("position 1e400,-0.5,0\n"));
    dir.write("point.vyk", quadSection({{0, 0, 0}}, {100, 100, 100}));
    dir.write("quad.vyk", quad);
    dir.write("two.vyk", quad + quad);
    dir.write("triangle.stl", kOneFacetStl);
    // An STL reader finds the bounds while it reads: its count must be the same.
    dir.write("inf.stl", std::string(kOneFacetStl).replace(kOneFacetStl.find("0 1 0"), 5, "0 1e400 0"));
    writeCubeFaces(
        dir.file("odd"),
        [](int) {
            return rgb_t{20, 60, 220};
        },
        2, 2);
    dir.write("oddsky.vyk", "begin environment\ncubetex odd.bmp\nend\n" + quad);
    const std::string notFinite = "vykview_t::fitScene(): 1 positions are not finite; ignored.\n";
    const struct {
        std::vector<std::string> files;
        std::string err;
    } cases[] = {
        {{"nan.vyk"}, notFinite},
        {{"inf.vyk"}, notFinite},
        {{"inf.stl"}, notFinite},
        {{"point.vyk"}, "vykview_t::fitScene(): the scene has no extent; the view frames a unit box.\n"},
        {{"two.vyk", "quad.vyk"}, "0, [1:2]: too few models in opposite model.\n"},
        {{"quad.vyk", "triangle.stl"}, "morphpair_t::build(): B has 3 vertices, fewer than A's 4; A is drawn alone.\n"},
        {{"oddsky.vyk"}, "odd_posy.bmp: cube face is 4x4, not a square of the first face's size 2x2.\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = shot({"--size", "160x120"}, c.files, "bad.png");
        EXPECT_FALSE(r.timedOut) << c.files[0];
        EXPECT_EQ(r.status, 0) << c.files[0] << "\n" << r.err;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.err);
        EXPECT_FALSE(picture("bad.png").empty()) << c.files[0];
    }
}

} // namespace
