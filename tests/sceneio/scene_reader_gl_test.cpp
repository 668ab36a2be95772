// Scene files read through loadScene: the files of tests/data/scenes, each
// with what it loads written out beside it ("<name>.expect"), and the
// inputs too large to keep as files.
#include "sceneio/scene.h"

#include "sceneio/line_reader.h"
#include "support/paths.h"
#include "support/scene_load.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using vyktest::LoadedScene;
using vyktest::loadSceneFile;

const std::string kScenes = vyktest::sourcePath("tests/data/scenes/");

// Values to 9 significant digits: every float reads back as itself.
std::string numbers(const float* v, size_t n)
{
    std::ostringstream s;
    s.precision(9);
    for (size_t i = 0; i < n; ++i)
        s << (i ? " " : "") << v[i];
    return s.str();
}

// What a load gave, as text: result, messages, the first model's texture
// set, vertices (all of a small model, else the first and the last),
// elements and the environment.
std::string describe(const LoadedScene& r)
{
    std::string s = std::string(r.ok ? "loaded" : "refused") + ", " + std::to_string(r.models) + " models\n";
    if (!r.err.empty())
        s += "messages:\n" + r.err;
    if (!r.stderrText.empty())
        s += "stderr:\n" + r.stderrText;
    const vyk3d::environment_t& e = r.environment;
    const float alphas[3] = {e.reflectalpha, e.refractalpha, e.refractfactor};
    s += "environment '" + e.name + "' " + numbers(alphas, 3) + "\n";
    if (r.models == 0)
        return s;
    const vyk3d::texture_t& t = r.texture;
    const float values[] = {float(t.mipmap), float(t.nearlinear), float(t.maglinear), t.anisotropy,
                            t.refractfactor, float(t.bumpofs),    float(t.bump2mono), float(t.mercatorsphere)};
    const unsigned char* sc = t.specularcolor; // shown when not white
    const float specular[] = {float(sc[0]), float(sc[1]), float(sc[2]), float(sc[3])};
    s += "kind " + std::to_string(r.kind) + ", resolution " + std::to_string(r.resU) + "x" + std::to_string(r.resV) +
         "\ntexture '" + t.colormap + "' '" + t.bumpmap + "' '" + t.specularmap + "' " + numbers(values, 8) +
         (std::count(sc, sc + 4, 255) == 4 ? "" : ", specular " + numbers(specular, 4)) + "\n";
    const size_t n = r.vertices.size() / 9;
    s += std::to_string(n) + " vertices: position, colour, texture coordinate" +
         (r.kind == 0 ? "; tangent, binormal, normal\n" : "\n");
    for (size_t i = 0; i < n; i += (n <= 64 || i + 1 == n ? 1 : n - 1)) {
        s += numbers(&r.vertices[9 * i], 9);
        s += r.kind == 0 ? "; " + numbers(&r.frames[9 * i], 9) + "\n" : "\n";
    }
    s += std::to_string(r.elements.size()) + " elements:";
    for (size_t i = 0; i < r.elements.size() && i < 64; ++i)
        s += " " + std::to_string(int32_t(r.elements[i]));
    return s + "\n";
}

// Set VYK_UPDATE_EXPECTED=1 to write the ".expect" files afresh (then read
// every change before committing it).
TEST(SceneReader, DataFilesLoadAsExpected)
{
    const bool update = std::getenv("VYK_UPDATE_EXPECTED") != nullptr;
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(kScenes))
        if (entry.is_regular_file())
            files.insert(entry.path().filename().string());
    ASSERT_GT(files.size(), 50u);
    for (const std::string& name : files) {
        const std::string ext = std::filesystem::path(name).extension().string();
        if (ext == ".expect" || ext == ".written" || ext == ".mtl" || ext == ".bmp")
            continue; // what a scene's file is checked against, or a part of one
        SCOPED_TRACE(name);
        std::string text = describe(loadSceneFile(kScenes + name));
        for (size_t at; (at = text.find(kScenes)) != std::string::npos;)
            text.erase(at, kScenes.size()); // names relative to the data directory
        if (update)
            vyktest::writeFile(kScenes + name + ".expect", text);
        else
            EXPECT_EQ(text, vyktest::readFile(kScenes + name + ".expect"));
    }
}

// Inputs of megabytes: lines of 10 MB at the top level and in each section,
// a file of one such line without a line feed, a line just below the bound,
// and any depth of parentheses, closed or left open.
TEST(SceneReader, HugeLinesAndDeepExpressions)
{
    const std::string tenMegabytes(10u << 20, '7'), deep(100000, '(');
    const std::string frames = "tangent 1,0,0\nbinormal 0,1,0\nnormal 0,0,1\n";
    const std::string triangle = "begin polygon_surface,3,3\nposition 0,0,0\nposition 1,0,0\nposition 0,1,0\n"
                                 "element 0\nelement 1\nelement 2\n" +
                                 frames + frames + frames + "end\n";
    const struct {
        std::string text, err;
    } cases[] = {
        {"# fine\n" + tenMegabytes + "\n", "2: line too long.\n"},
        {"begin polygon_surface,3,3\nposition " + tenMegabytes + "\n", "2: line too long.\n"},
        {"begin nurbs_surface,2,2,2,2\nknot1 " + tenMegabytes, "2: line too long.\n"},
        {"begin environment\n# " + tenMegabytes + "\nend\n", "2: line too long.\n"},
        {tenMegabytes, "1: line too long.\n"},
        {"#" + std::string(maxSceneLine - 1, 'x') + "\n" + triangle, ""},
        {"begin polygon_surface,1,1\nposition " + deep + "2*3" + std::string(deep.size(), ')') + "," + deep +
             "3,4\nelement 0\n" + frames + "end\n",
         ""},
    };
    vyktest::TempDir dir;
    for (const auto& c : cases) {
        const LoadedScene r = loadSceneFile(dir.write("huge.vyk", c.text));
        EXPECT_EQ(r.ok, c.err.empty());
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(loadSceneFile(dir.file("huge.vyk")).vertices, (std::vector<float>{6, 3, 4, 0.5f, 0.5f, 0.5f, 1, 0, 0}));
    const LoadedScene none = loadSceneFile("/nonexistent/dir/x.vyk");
    EXPECT_TRUE(!none.ok && none.err == "/nonexistent/dir/x.vyk: No such file or directory.\n"
                                        "/nonexistent/dir/x.vyk: file open error.\n")
        << none.err;
}

} // namespace
