// The scene text writer on real surfaces: the files of tests/data/scenes
// written out as their ".written" files beside them say, failures, and
// round trips through files on disk compared array by array.
#include "sceneio/scene_writer.h"

#include "support/capture.h"
#include "support/paths.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace
{

const std::string kScenes = vyktest::sourcePath("tests/data/scenes/");

bool loadInto(scene_t& scene, const std::string& path)
{
    return loadScene(scene, path, vyktest::framePass(), std::cerr);
}

// Set VYK_UPDATE_EXPECTED=1 to write the ".written" files afresh.
TEST(SceneWriterText, DataFilesWriteAsExpected)
{
    int written = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kScenes)) {
        const std::string expected = entry.path().string();
        if (entry.path().extension() != ".written")
            continue;
        SCOPED_TRACE(expected);
        ++written;
        scene_t scene;
        ASSERT_TRUE(loadInto(scene, expected.substr(0, expected.size() - 8)));
        vyktest::TempDir dir;
        ASSERT_TRUE(writeSceneText(scene, dir.file("out.vyk")));
        scene.destroyModels();
        if (std::getenv("VYK_UPDATE_EXPECTED"))
            vyktest::writeFile(expected, vyktest::readFile(dir.file("out.vyk")));
        EXPECT_EQ(vyktest::readFile(dir.file("out.vyk")), vyktest::readFile(expected));
    }
    EXPECT_GE(written, 5);
}

TEST(SceneWriterText, SceneListAndFailures)
{
    scene_t scene;
    vyktest::fillPolygon(scene.addModel(model_t::Polygon).polygon, {0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 0, 0}, 9, {},
                         {0, 0, 1, 0, 1, 0, 1, 0, 0});
    scene.addModel(model_t::Polygon); // empty: skipped
    scene.addModel(7);                // unknown kind: skipped
    const std::string poly = "begin polygon_surface,1,0\r\nrefractfactor 0\r\nmercatorsphere false\r\n"
                             "texcoord 0,0\r\nposition 0,0,0\r\ntangent 0,0,1\r\nbinormal 0,1,0\r\n"
                             "normal 1,0,0\r\nend\r\n";
    vyktest::TempDir dir;
    // No cube texture name: no environment section and no empty line.
    scene.environment.name = "sky.bmp";
    // An infinite alpha is written as the expression that reads back as itself.
    scene.environment.reflectalpha = 1234567.0f;
    scene.environment.refractalpha = HUGE_VALF;
    ASSERT_TRUE(saveScene(scene, dir.file("b.VYK")));
    EXPECT_EQ(vyktest::readFile(dir.file("b.VYK")),
              "begin environment\r\ncubetex sky.bmp\r\nreflectalpha 1.23457e+06\r\n"
              "refractalpha 1/0\r\nrefractfactor 1\r\nend\r\n\r\n" +
                  poly);
    // A list gets an empty line after every record, skipped ones included.
    ASSERT_TRUE(saveModels(scene.models, dir.file("c.vyk")));
    EXPECT_EQ(vyktest::readFile(dir.file("c.vyk")), poly + "\r\n\r\n\r\n");

    // A full disk fails when the buffer is flushed; a failed save leaves no file.
    model_t& m = *scene.models.front();
    const std::string unknown = "file extension not recognized.\n";
    const std::pair<std::function<bool()>, std::string> cases[] = {
        {[&] {
             return writeSceneText(scene, "/dev/full") || writeModelsText(scene.models, "/dev/full") ||
                    writeModelText(m, "/dev/full") || saveScene(scene, dir.file("no/such.vyk"));
         },
         ""},
        {[&] { return saveScene(scene, dir.file("x.obj")); }, unknown},
        {[&] { return saveModels(scene.models, dir.file("x.vy")); }, unknown},
        {[&] { return saveModel(m, dir.file("stl")); }, unknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(c.first()); }), c.second);
    for (const char* name : {"no", "x.obj", "x.vy", "stl"})
        EXPECT_FALSE(vyktest::fileExists(dir.file(name))) << name;
    EXPECT_TRUE(saveModel(m, dir.file("one.STL")));
    EXPECT_EQ(vyktest::readFile(dir.file("one.STL")).size(), 84u);
    scene.destroyModels();
}

// Loads `in`, writes it to `out` and returns the text written.
std::string rewrite(const std::string& in, const std::string& out, bool models = false)
{
    scene_t scene;
    EXPECT_TRUE(loadInto(scene, in)) << in;
    EXPECT_TRUE(models ? saveModels(scene.models, out) : saveScene(scene, out)) << out;
    scene.destroyModels();
    return vyktest::readFile(out);
}

// What is written reads back as itself: written again, the same text (from
// the second writing on: "-0" reads back as 0).
TEST(SceneWriterRoundTrip, WrittenTextReadsBackToItself)
{
    vyktest::TempDir dir;
    // Written beside the examples' images: the texture paths are relative.
    ASSERT_EQ(symlink(vyktest::sourcePath("examples/images").c_str(), dir.file("images").c_str()), 0);
    std::vector<std::string> inputs;
    for (const char* name : {"written_by_hand.vyk", "written_colours.vyk", "written_nurbs.vyk", "texture_paths.vyk",
                             "three_models.vyk", "vertex_invalid_bytes.vyk"})
        inputs.push_back(kScenes + name);
    for (const char* name : {"demo.vyk", "globe.vyk", "torus.vyk", "panel.vyk", "morph_a.vyk", "morph_b.vyk",
                             "morph_c.vyk", "bracket.stl"})
        inputs.push_back(vyktest::sourcePath(std::string("examples/") + name));
    for (const std::string& in : inputs) {
        SCOPED_TRACE(in);
        rewrite(in, dir.file("a.vyk"));
        const std::string text = rewrite(dir.file("a.vyk"), dir.file("b.vyk"));
        EXPECT_EQ(rewrite(dir.file("b.vyk"), dir.file("a.vyk")), text);
    }
    // STL to .vyk and back to STL keeps every triangle, to the digits written.
    const std::string stl = vyktest::sourcePath("tests/data/sphere_binary.stl");
    rewrite(stl, dir.file("s.vyk"), true);
    rewrite(dir.file("s.vyk"), dir.file("s.stl"), true);
    const vyktest::LoadedScene a = vyktest::loadSceneFile(stl), b = vyktest::loadSceneFile(dir.file("s.stl"));
    EXPECT_EQ(b.elements, a.elements);
    ASSERT_EQ(b.vertices.size(), a.vertices.size());
    for (size_t i = 0; i < a.vertices.size(); ++i)
        ASSERT_NEAR(b.vertices[i], a.vertices[i], 1e-6f) << i;
}

} // namespace
