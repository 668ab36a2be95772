// The scene text writer on real surfaces: exact section text, failures, and
// round trips through files on disk compared array by array.
#include "sceneio/scene_writer.h"

#include "gl/scoped_map.h"
#include "model/frame_pass.h"
#include "support/gl_context.h"
#include "support/gl_readback.h"
#include "support/paths.h"
#include "support/polygon_fill.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace
{

const uint32_t R = 0xFFFFFFFFu;

bool loadInto(scene_t& scene, const std::string& path)
{
    vyktest::glContext();
    static vyk3d::frame_pass_t* renderer = [] {
        auto* p = new vyk3d::frame_pass_t;
        EXPECT_TRUE(p->init(""));
        return p;
    }();
    return loadScene(scene, path, *renderer, std::cerr);
}

// A polygon model from vertex records (9 floats each), elements and frames.
model_t* polygonModel(const std::vector<float>& vertices, const std::vector<uint32_t>& elements,
                      const std::vector<float>& frames)
{
    vyktest::glContext();
    auto* m = new model_t(model_t::Polygon);
    vyktest::fillPolygon(m->polygon, vertices, 9, elements, frames);
    return m;
}

std::string written(model_t& m)
{
    vyktest::TempDir dir;
    EXPECT_TRUE(writeModelText(m, dir.file("m.vyk")));
    return vyktest::readFile(dir.file("m.vyk"));
}

TEST(SceneWriterText, PolygonSection)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Vertex 0 keeps the default colour (no line), 1 is red, 2 clamps -3 to
    // 0 and NaN to 255, 3 rounds 0.502 to 128 (a line, as it differs from
    // the colour before).
    model_t* m = polygonModel({0,     0,
                               0,     0.5f,
                               0.5f,  0.5f,
                               1,     0,
                               0, //
                               1,     0,
                               0,     1,
                               0,     0,
                               1,     1,
                               0, //
                               0,     1.5f,
                               0,     1,
                               -3,    nan,
                               1,     0.25f,
                               1, //
                               1e-7f, 123456789.0f,
                               -2,    0.502f,
                               0.5f,  0.5f,
                               1,     0,
                               0.5f},
                              {0, 1, 2, R, 3}, {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0,  1, 0, 0, 0, 1,
                                                1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, -1, 0, 0, 0, 0, 1});
    m->texture.colormap = "c.png";
    const std::string frame = "tangent 1,0,0\r\nbinormal 0,1,0\r\nnormal 0,0,1\r\n";
    EXPECT_EQ(written(*m), "begin polygon_surface,4,5\r\n"
                           "refractfactor 0\r\ntexture c.png\r\nmipmap true\r\nnearlinear true\r\nmaglinear true\r\n"
                           "aniso 1\r\nmercatorsphere false\r\n"
                           "texcoord 0,0\r\nposition 0,0,0\r\n"
                           "color 255,0,0,255\r\ntexcoord 1,0\r\nposition 1,0,0\r\n"
                           "color 255,0,255,255\r\ntexcoord 0.25,1\r\nposition 0,1.5,0\r\n"
                           "color 128,128,128,255\r\ntexcoord 0,0.5\r\nposition 1e-07,1.23457e+08,-2\r\n"
                           "element 0\r\nelement 1\r\nelement 2\r\nelement -1\r\nelement 3\r\n" +
                               frame + frame + frame + "tangent 0,1,0\r\nbinormal -1,0,0\r\nnormal 0,0,1\r\nend\r\n");
    delete m;
}

TEST(SceneWriterText, NurbsSection)
{
    vyktest::glContext();
    model_t m(model_t::Nurbs);
    vyk3d::nurbs_t& n = m.nurbs;
    ASSERT_TRUE(n.allocate(2, 2, 2, 2));
    const float knots[4] = {0, 0, 1, 1};
    const float colors[4][4] = {{0.5f, 0.5f, 0.5f, 1}, {1, 0, 0, 1}, {1, 0, 0, 1}, {0.502f, 0.5f, -3, 1}};
    for (int i = 0; i < 8; ++i) {
        n.knotsU[i] = knots[i % 4];
        n.knotsV[i] = knots[i % 4] * 0.5f;
    }
    for (int i = 0; i < 4; ++i) {
        n.weights[i] = 1.0f + i;
        const float* c = colors[i];
        n.ctlpts[i] = vyk3d::ctlpt_t{float(i % 2), float(i / 2), 0.1f * i, c[0], c[1], c[2], c[3]};
    }
    n.resU = 5;
    n.resV = 7;
    n.texture->specularmap = "s.tga";
    const std::string knots1 = "knot1 0\r\nknot1 0\r\nknot1 1\r\nknot1 1\r\n";
    const std::string knots2 = "knot2 0\r\nknot2 0\r\nknot2 0.5\r\nknot2 0.5\r\n";
    // A red point after the default writes one colour line, the next red one none.
    EXPECT_EQ(written(m), "begin nurbs_surface,2,2,2,2\r\nresolution 5,7\r\n"
                          "refractfactor 0\r\nmipmap true\r\nnearlinear true\r\nmaglinear true\r\naniso 1\r\n"
                          "specular s.tga\r\nmercatorsphere false\r\n" +
                              knots1 +
                              "weight 1\r\nweight 2\r\nposition 0,0,0\r\n"
                              "color 255,0,0,255\r\nposition 1,0,0.1\r\n" +
                              knots1 +
                              "weight 3\r\nweight 4\r\nposition 0,1,0.2\r\n"
                              "color 128,128,0,255\r\nposition 1,1,0.3\r\n\r\n" +
                              knots2 + knots2 + "end\r\n");
    EXPECT_EQ(m.nurbs.name.substr(m.nurbs.name.size() - 5), "m.vyk");
}

TEST(SceneWriterText, SceneListAndFailures)
{
    scene_t scene;
    scene.models.push_back(polygonModel({0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 0, 0}, {}, {0, 0, 1, 0, 1, 0, 1, 0, 0}));
    scene.models.push_back(new model_t(model_t::Polygon)); // empty: skipped
    scene.models.push_back(new model_t(7));                // unknown kind: skipped
    const std::string poly = "begin polygon_surface,1,0\r\nrefractfactor 0\r\nmercatorsphere false\r\n"
                             "texcoord 0,0\r\nposition 0,0,0\r\ntangent 0,0,1\r\nbinormal 0,1,0\r\n"
                             "normal 1,0,0\r\nend\r\n";
    vyktest::TempDir dir;
    // No cube texture name: no environment section and no empty line.
    ASSERT_TRUE(writeSceneText(scene, dir.file("a.vyk")));
    EXPECT_EQ(vyktest::readFile(dir.file("a.vyk")), poly);
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
        testing::internal::CaptureStderr();
        EXPECT_FALSE(c.save()) << c.file;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err);
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

TEST(SceneWriterRoundTrip, SectionsWrittenByHand)
{
    // fcolor gives colours that are no 8-bit values; circle and sphere give
    // positions with many digits.
    const std::string k2 = "knot2 0\nknot2 0\nknot2 1\nknot2 1\n";
    const std::string text = "begin nurbs_surface,3,2,2,2\nresolution 9,4\nmercatorsphere true\nrefractfactor 0.3\n"
                             "knot1 0\nknot1 0\nknot1 0.5\nknot1 1\nknot1 1\n"
                             "knot1 0\nknot1 0\nknot1 0.25\nknot1 1\nknot1 1\n" +
                             k2 + k2 + k2 +
                             "weight 1\nweight 0.7071068\nweight 1\nweight 1\nweight 2\nweight 1\n"
                             "fcolor 0.3,0.6,0.9,1\ncircle 1,0,0\ncircle 1,45,0\ncircle 1,90,0\n"
                             "color 10,20,30,40\nsphere 2,30,10\nsphere 2,60,20\n"
                             "fcolor 0.5,0.5,0.5,1\nposition 3,1/3,0.1\nend\n"
                             "begin polygon_surface,4,5\nfcolor 0.25,0.75,1,0.5\n"
                             "texcoord 0.1,0.2\nposition 0,0,0\ntexcoord 0.3,0.4\nposition 1,0,1e-8\n"
                             "color 128,128,128,255\ntexcoord 1/3,2/3\nposition 0,1,0\ncircle 2,33.3,1\n"
                             "element 0\nelement 1\nelement 2\nelement -1\nelement 3\n"
                             "tangent 1,0,0\ntangent 1,0,0\ntangent 0.6,0.8,0\ntangent 1,0,0\n"
                             "binormal 0,1,0\nbinormal 0,1,0\nbinormal -0.8,0.6,0\nbinormal 0,1,0\n"
                             "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\nend\n";
    vyktest::TempDir dir;
    roundTrip(dir.write("hand.vyk", text), dir.file("out.vyk"));
}

TEST(SceneWriterRoundTrip, EveryExampleAndStlThroughSceneText)
{
    vyktest::TempDir dir;
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
