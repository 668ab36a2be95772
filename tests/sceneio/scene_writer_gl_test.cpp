// The scene text writer on real surfaces: the files of tests/data/scenes
// written out as their ".written" files beside them say, failures, and
// round trips through files on disk compared array by array.
#include "sceneio/scene_writer.h"

#include "render/glpolygon.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/paths.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
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
    scene.models.push_back(new model_t(model_t::Polygon));
    vyktest::fillPolygon(scene.models.back()->polygon, {0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 0, 0}, 9, {},
                         {0, 0, 1, 0, 1, 0, 1, 0, 0});
    scene.models.push_back(new model_t(model_t::Polygon)); // empty: skipped
    scene.models.push_back(new model_t(7));                // unknown kind: skipped
    const std::string poly = "begin polygon_surface,1,0\r\nrefractfactor 0\r\nmercatorsphere false\r\n"
                             "texcoord 0,0\r\nposition 0,0,0\r\ntangent 0,0,1\r\nbinormal 0,1,0\r\n"
                             "normal 1,0,0\r\nend\r\n";
    vyktest::TempDir dir;
    // No cube texture name: no environment section and no empty line.
    scene.environment.name = "sky.bmp";
    scene.environment.refractalpha = 1234567.0f;
    ASSERT_TRUE(saveScene(scene, dir.file("b.VYK")));
    EXPECT_EQ(vyktest::readFile(dir.file("b.VYK")), "begin environment\r\ncubetex sky.bmp\r\nreflectalpha 1\r\n"
                                                    "refractalpha 1.23457e+06\r\nrefractfactor 1\r\nend\r\n\r\n" +
                                                        poly);
    // A list gets an empty line after every record, skipped ones included.
    ASSERT_TRUE(saveModels(scene.models, dir.file("c.vyk")));
    EXPECT_EQ(vyktest::readFile(dir.file("c.vyk")), poly + "\r\n\r\n\r\n");

    // A full disk fails when the buffer is flushed; a failed save leaves no file.
    model_t& m = *scene.models.front();
    const struct {
        std::function<bool()> save;
        std::string file, err;
    } cases[] = {
        {[&] { return writeSceneText(scene, "/dev/full"); }, "", ""},
        {[&] { return writeModelsText(scene.models, "/dev/full"); }, "", ""},
        {[&] { return writeModelText(m, "/dev/full"); }, "", ""},
        {[&] { return saveScene(scene, dir.file("no/such.vyk")); }, dir.file("no/such.vyk"), ""},
        {[&] { return saveScene(scene, dir.file("x.obj")); }, dir.file("x.obj"), "file extension not recognized.\n"},
        {[&] { return saveModels(scene.models, dir.file("x.vy")); }, dir.file("x.vy"),
         "file extension not recognized.\n"},
        {[&] { return saveModel(m, dir.file("stl")); }, dir.file("stl"), "file extension not recognized.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vyktest::stderrOf([&] { EXPECT_FALSE(c.save()) << c.file; }), c.err);
        if (!c.file.empty()) {
            EXPECT_FALSE(vyktest::fileExists(c.file));
        }
    }
    EXPECT_TRUE(saveModel(m, dir.file("one.STL")));
    EXPECT_EQ(vyktest::readFile(dir.file("one.STL")).size(), 84u);
    scene.destroyModels();
}

// Floats come back to 6 significant digits.
void expectClose(const float* a, const float* b, size_t n, const char* what, float absolute = 0)
{
    for (size_t i = 0; i < n; ++i)
        ASSERT_NEAR(a[i], b[i], 5e-6f * std::fabs(a[i]) + absolute + 1e-30f) << what << " [" << i << "]";
}

// A colour comes back as its 8-bit value, or as the colour before when that
// has the same 8-bit value: within one step either way.
void expectColour(const float* a, const float* b)
{
    for (int k = 0; k < 4; ++k) {
        const float c = std::isnan(a[k]) ? 1.0f : std::min(1.0f, std::max(0.0f, a[k]));
        ASSERT_NEAR(b[k], c, 1.0f / 255 + 1e-6f) << "colour " << k;
    }
}

template <class T> std::vector<T> all(vyk3d::polygon_t& p, bool frames = false)
{
    if constexpr (std::is_same_v<T, uint32_t>)
        return vyktest::readBuffer<uint32_t>(p.elements, p.elements.count());
    else
        return vyktest::readBuffer<float>(frames ? p.normals : p.vertices, p.vertices.count() * 9);
}

void expectSameScene(scene_t& before, scene_t& after, bool meshOnly = false)
{
    ASSERT_EQ(before.models.size(), after.models.size());
    auto y = after.models.begin();
    for (model_t* x : before.models) {
        model_t& b = **y++;
        EXPECT_EQ(x->kind, b.kind);
        vyk3d::texture_t &s = x->texture, &t = b.texture;
        if (!meshOnly) {
            EXPECT_EQ(std::tie(s.colormap, s.bumpmap, s.specularmap, s.refractfactor, s.bumpofs, s.bump2mono,
                               s.mercatorsphere),
                      std::tie(t.colormap, t.bumpmap, t.specularmap, t.refractfactor, t.bumpofs, t.bump2mono,
                               t.mercatorsphere));
            if (!s.colormap.empty() || !s.bumpmap.empty() || !s.specularmap.empty()) {
                EXPECT_EQ(std::tie(s.mipmap, s.nearlinear, s.maglinear), std::tie(t.mipmap, t.nearlinear, t.maglinear));
                EXPECT_NEAR(s.anisotropy, t.anisotropy, 5e-6f * s.anisotropy);
            }
        }
        EXPECT_EQ(all<uint32_t>(x->polygon), all<uint32_t>(b.polygon));
        if (x->kind == model_t::Nurbs) {
            const vyk3d::nurbs_t &n = x->nurbs, &m = b.nurbs;
            ASSERT_EQ(std::tie(n.numU, n.orderU, n.numV, n.orderV, n.resU, n.resV),
                      std::tie(m.numU, m.orderU, m.numV, m.orderV, m.resU, m.resV));
            expectClose(n.knotsU.data(), m.knotsU.data(), n.knotsU.size(), "knotsU");
            expectClose(n.knotsV.data(), m.knotsV.data(), n.knotsV.size(), "knotsV");
            expectClose(n.weights.data(), m.weights.data(), n.weights.size(), "weights");
            for (size_t i = 0; i < n.ctlpts.size(); ++i) {
                expectClose(&n.ctlpts[i].x, &m.ctlpts[i].x, 3, "control point");
                expectColour(&n.ctlpts[i].r, &m.ctlpts[i].r);
            }
            continue; // the mesh follows from the control data
        }
        const std::vector<float> v = all<float>(x->polygon), w = all<float>(b.polygon);
        ASSERT_EQ(v.size(), w.size());
        for (size_t i = 0; i < v.size(); i += 9) {
            expectClose(&v[i], &w[i], 3, "position");
            expectClose(&v[i + 7], &w[i + 7], 2, "texcoord");
            if (!meshOnly)
                expectColour(&v[i + 3], &w[i + 3]);
        }
        const std::vector<float> f = all<float>(x->polygon, true), g = all<float>(b.polygon, true);
        ASSERT_EQ(f.size(), g.size());
        expectClose(f.data(), g.data(), f.size(), "frames", 1e-7f);
    }
}

// Written, read back, compared; then the scenes go.
void roundTrip(const std::string& in, const std::string& out, bool models = false)
{
    scene_t before, after;
    ASSERT_TRUE(loadInto(before, in));
    ASSERT_TRUE(models ? saveModels(before.models, out) : saveScene(before, out));
    ASSERT_TRUE(loadInto(after, out));
    expectSameScene(before, after, out.substr(out.size() - 4) == ".stl");
    EXPECT_EQ(before.environment.name, after.environment.name);
    EXPECT_NEAR(before.environment.refractalpha, after.environment.refractalpha, 1e-6);
    before.destroyModels();
    after.destroyModels();
}

TEST(SceneWriterRoundTrip, EveryExampleDataFileAndStlThroughSceneText)
{
    vyktest::TempDir dir;
    for (const char* name : {"written_by_hand.vyk", "written_colours.vyk", "written_nurbs.vyk", "texture_paths.vyk",
                             "three_models.vyk", "vertex_invalid_bytes.vyk"}) {
        SCOPED_TRACE(name);
        roundTrip(kScenes + name, dir.file(name));
    }
    // Written beside the originals' images: the texture paths are relative.
    ASSERT_EQ(symlink(vyktest::sourcePath("examples/images").c_str(), dir.file("images").c_str()), 0);
    for (const char* name : {"demo.vyk", "globe.vyk", "torus.vyk", "panel.vyk", "morph_a.vyk", "morph_b.vyk",
                             "morph_c.vyk", "bracket.stl"}) {
        SCOPED_TRACE(name);
        roundTrip(vyktest::sourcePath(std::string("examples/") + name), dir.file(std::string(name) + ".vyk"));
    }
    // STL to .vyk to STL keeps every triangle.
    roundTrip(vyktest::sourcePath("tests/data/sphere_binary.stl"), dir.file("s.vyk"), true);
    roundTrip(dir.file("s.vyk"), dir.file("s.stl"), true);
    scene_t back;
    ASSERT_TRUE(loadInto(back, dir.file("s.stl")));
    EXPECT_EQ(back.models.front()->polygon.elements.count(), 224u * 4);
    back.destroyModels();
}

} // namespace
