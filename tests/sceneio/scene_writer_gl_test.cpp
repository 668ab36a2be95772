// The scene text writer on real surfaces: exact section text, failures, and
// round trips through files on disk compared array by array.
#include "sceneio/scene_writer.h"

#include "render/glpolygon.h"
#include "render/scoped_map.h"
#include "sceneio/stl.h"
#include "support/gl_context.h"
#include "support/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <dirent.h>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const uint32_t R = 0xFFFFFFFFu;

vyk3d::glpolygon_t& renderer()
{
    vyktest::glContext();
    static vyk3d::glpolygon_t* r = [] {
        auto* p = new vyk3d::glpolygon_t;
        EXPECT_TRUE(p->init(""));
        return p;
    }();
    return *r;
}

// A polygon model from vertex records (9 floats each), elements and frames.
model_t* polygonModel(const std::vector<float>& vertices, const std::vector<uint32_t>& elements,
                      const std::vector<float>& frames)
{
    vyktest::glContext();
    auto* m = new model_t(model_t::Polygon);
    size_t nv = vertices.size() / 9;
    EXPECT_TRUE(m->polygon.allocate(nv, elements.size()));
    {
        vyk3d::scoped_map_t<float> v(m->polygon.vertices);
        vyk3d::scoped_map_t<float> f(m->polygon.normals);
        std::memcpy(v.get(), vertices.data(), vertices.size() * 4);
        std::memcpy(f.get(), frames.data(), frames.size() * 4);
        if (!elements.empty()) {
            vyk3d::scoped_map_t<uint32_t> e(m->polygon.elements);
            std::memcpy(e.get(), elements.data(), elements.size() * 4);
        }
    }
    m->polygon.update("made");
    return m;
}

std::string written(model_t& m)
{
    vyktest::TempDir dir;
    std::string path = dir.file("m.vyk");
    EXPECT_TRUE(writeModelText(m, path));
    return vyktest::readFile(path);
}

TEST(SceneWriterText, PolygonSection)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Vertex 0 keeps the default colour (no line), 1 is red, 2 clamps -3 to
    // 0 and NaN to 255, 3 rounds back to the default (a line, as it differs
    // from the colour before).
    model_t* m = polygonModel(
        {
            0,     0,
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
            0.5f, //
        },
        {0, 1, 2, R, 3},
        {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, -1, 0, 0, 0, 0, 1});
    m->texture.colormap = "c.png";
    EXPECT_EQ(written(*m), "begin polygon_surface,4,5\r\n"
                           "refractfactor 0\r\ntexture c.png\r\nmipmap true\r\nnearlinear true\r\nmaglinear true\r\n"
                           "aniso 1\r\nmercatorsphere false\r\n"
                           "texcoord 0,0\r\nposition 0,0,0\r\n"
                           "color 255,0,0,255\r\ntexcoord 1,0\r\nposition 1,0,0\r\n"
                           "color 255,0,255,255\r\ntexcoord 0.25,1\r\nposition 0,1.5,0\r\n"
                           "color 128,128,128,255\r\ntexcoord 0,0.5\r\nposition 1e-07,1.23457e+08,-2\r\n"
                           "element 0\r\nelement 1\r\nelement 2\r\nelement -1\r\nelement 3\r\n"
                           "tangent 1,0,0\r\nbinormal 0,1,0\r\nnormal 0,0,1\r\n"
                           "tangent 1,0,0\r\nbinormal 0,1,0\r\nnormal 0,0,1\r\n"
                           "tangent 1,0,0\r\nbinormal 0,1,0\r\nnormal 0,0,1\r\n"
                           "tangent 0,1,0\r\nbinormal -1,0,0\r\nnormal 0,0,1\r\n"
                           "end\r\n");
    EXPECT_EQ(m->polygon.name.substr(m->polygon.name.size() - 5), "m.vyk");
    delete m;
}

// A 2 x 2 order-2 NURBS model with the given control point colours.
model_t* nurbsModel(const std::vector<std::vector<float>>& colors)
{
    vyktest::glContext();
    auto* m = new model_t(model_t::Nurbs);
    vyk3d::nurbs_t& n = m->nurbs;
    EXPECT_TRUE(n.allocate(2, 2, 2, 2));
    const float knots[4] = {0, 0, 1, 1};
    for (int i = 0; i < 8; ++i) {
        n.knotsU[i] = knots[i % 4];
        n.knotsV[i] = knots[i % 4] * 0.5f;
    }
    for (int i = 0; i < 4; ++i) {
        n.weights[i] = 1.0f + i;
        const auto& c = colors[i];
        n.ctlpts[i] = vyk3d::ctlpt_t{float(i % 2), float(i / 2), 0.1f * i, c[0], c[1], c[2], c[3]};
    }
    n.resU = 5;
    n.resV = 7;
    return m;
}

TEST(SceneWriterText, NurbsSection)
{
    const std::vector<float> grey = {0.5f, 0.5f, 0.5f, 1}, red = {1, 0, 0, 1};
    model_t* m = nurbsModel({grey, red, red, {0.502f, 0.5f, -3, 1}});
    m->nurbs.texture->specularmap = "s.tga";
    EXPECT_EQ(written(*m), "begin nurbs_surface,2,2,2,2\r\n"
                           "resolution 5,7\r\n"
                           "refractfactor 0\r\nmipmap true\r\nnearlinear true\r\nmaglinear true\r\naniso 1\r\n"
                           "specular s.tga\r\nmercatorsphere false\r\n"
                           "knot1 0\r\nknot1 0\r\nknot1 1\r\nknot1 1\r\n"
                           "weight 1\r\nweight 2\r\n"
                           "position 0,0,0\r\n"
                           "color 255,0,0,255\r\nposition 1,0,0.1\r\n"
                           "knot1 0\r\nknot1 0\r\nknot1 1\r\nknot1 1\r\n"
                           "weight 3\r\nweight 4\r\n"
                           "position 0,1,0.2\r\n"
                           "color 128,128,0,255\r\nposition 1,1,0.3\r\n"
                           "\r\n"
                           "knot2 0\r\nknot2 0\r\nknot2 0.5\r\nknot2 0.5\r\n"
                           "knot2 0\r\nknot2 0\r\nknot2 0.5\r\nknot2 0.5\r\n"
                           "end\r\n");
    EXPECT_EQ(m->nurbs.name.substr(m->nurbs.name.size() - 5), "m.vyk");
    delete m;
}

TEST(SceneWriterText, SceneAndModelListLayout)
{
    const std::vector<float> grey = {0.5f, 0.5f, 0.5f, 1};
    scene_t scene;
    scene.models.push_back(polygonModel({0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 0, 0}, {}, {0, 0, 1, 0, 1, 0, 1, 0, 0}));
    scene.models.push_back(new model_t(model_t::Polygon)); // empty: skipped
    scene.models.push_back(new model_t(7));                // unknown kind: skipped
    const std::string poly = "begin polygon_surface,1,0\r\nrefractfactor 0\r\nmercatorsphere false\r\n"
                             "texcoord 0,0\r\nposition 0,0,0\r\ntangent 0,0,1\r\nbinormal 0,1,0\r\n"
                             "normal 1,0,0\r\nend\r\n";
    vyktest::TempDir dir;

    // No environment name: no section and no empty line.
    ASSERT_TRUE(writeSceneText(scene, dir.file("a.vyk")));
    EXPECT_EQ(vyktest::readFile(dir.file("a.vyk")), poly);

    scene.environment.name = "sky.bmp";
    ASSERT_TRUE(saveScene(scene, dir.file("b.VYK")));
    EXPECT_EQ(vyktest::readFile(dir.file("b.VYK")), "begin environment\r\ncubetex sky.bmp\r\nreflectalpha 1\r\n"
                                                    "refractalpha 0\r\nrefractfactor 1\r\nend\r\n\r\n" +
                                                        poly);

    // A list gets an empty line after every record, skipped ones included.
    ASSERT_TRUE(saveModels(scene.models, dir.file("c.vyk")));
    EXPECT_EQ(vyktest::readFile(dir.file("c.vyk")), poly + "\r\n\r\n\r\n");
    scene.destroyModels();
}

TEST(SceneWriterText, FailuresAreReported)
{
    scene_t scene;
    scene.models.push_back(polygonModel({0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 0, 0}, {}, {0, 0, 1, 0, 1, 0, 1, 0, 0}));
    model_t& m = *scene.models.front();
    vyktest::TempDir dir;
    struct Case {
        const char* name;
        bool (*save)(scene_t&, const std::string&);
        std::string file;
        std::string err;
    };
    const Case cases[] = {
        // A full disk: the writes fail when the buffer is flushed.
        {"scene, full disk", [](scene_t& s, const std::string& f) { return writeSceneText(s, f); }, "/dev/full", ""},
        {"list, full disk", [](scene_t& s, const std::string& f) { return writeModelsText(s.models, f); }, "/dev/full",
         ""},
        {"model, full disk", [](scene_t& s, const std::string& f) { return writeModelText(*s.models.front(), f); },
         "/dev/full", ""},
        {"missing directory", [](scene_t& s, const std::string& f) { return saveScene(s, f); }, dir.file("no/such.vyk"),
         ""},
        {"unknown ending, scene", [](scene_t& s, const std::string& f) { return saveScene(s, f); }, dir.file("x.obj"),
         "file extension not recognized.\n"},
        {"unknown ending, list", [](scene_t& s, const std::string& f) { return saveModels(s.models, f); },
         dir.file("x.vy"), "file extension not recognized.\n"},
        {"unknown ending, model", [](scene_t& s, const std::string& f) { return saveModel(*s.models.front(), f); },
         dir.file("stl"), "file extension not recognized.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(c.save(scene, c.file));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err);
        if (c.file != "/dev/full") {
            EXPECT_FALSE(vyktest::fileExists(c.file));
        }
    }
    EXPECT_TRUE(saveModel(m, dir.file("one.STL")));
    EXPECT_EQ(vyktest::readFile(dir.file("one.STL")).size(), 84u);
    scene.destroyModels();
}

// Everything a scene holds that the writer must keep, read back from GL.
struct ModelDump {
    uint32_t kind = 0;
    vyk3d::texture_t texture;
    std::vector<float> vertices, frames;
    std::vector<uint32_t> elements;
    uint64_t numU = 0, orderU = 0, numV = 0, orderV = 0;
    uint32_t resU = 0, resV = 0;
    std::vector<float> knotsU, knotsV, weights;
    std::vector<vyk3d::ctlpt_t> ctlpts;
};

std::vector<ModelDump> dump(scene_t& scene)
{
    std::vector<ModelDump> out;
    for (model_t* m : scene.models) {
        ModelDump d;
        d.kind = m->kind;
        d.texture.colormap = m->texture.colormap;
        d.texture.bumpmap = m->texture.bumpmap;
        d.texture.specularmap = m->texture.specularmap;
        d.texture.anisotropy = m->texture.anisotropy;
        d.texture.refractfactor = m->texture.refractfactor;
        d.texture.bumpofs = m->texture.bumpofs;
        d.texture.bump2mono = m->texture.bump2mono;
        d.texture.mipmap = m->texture.mipmap;
        d.texture.nearlinear = m->texture.nearlinear;
        d.texture.maglinear = m->texture.maglinear;
        d.texture.mercatorsphere = m->texture.mercatorsphere;
        vyk3d::polygon_t& p = m->polygon;
        if (p.vertices.count() > 0) {
            vyk3d::scoped_map_t<float> v(p.vertices, GL_MAP_READ_BIT);
            vyk3d::scoped_map_t<float> f(p.normals, GL_MAP_READ_BIT);
            d.vertices.assign(v.get(), v.get() + p.vertices.count() * 9);
            d.frames.assign(f.get(), f.get() + p.vertices.count() * 9);
        }
        if (p.elements.count() > 0) {
            vyk3d::scoped_map_t<uint32_t> e(p.elements, GL_MAP_READ_BIT);
            d.elements.assign(e.get(), e.get() + p.elements.count());
        }
        const vyk3d::nurbs_t& n = m->nurbs;
        d.numU = n.numU;
        d.orderU = n.orderU;
        d.numV = n.numV;
        d.orderV = n.orderV;
        d.resU = n.resU;
        d.resV = n.resV;
        d.knotsU.assign(n.knotsU.data(), n.knotsU.data() + n.knotsU.size());
        d.knotsV.assign(n.knotsV.data(), n.knotsV.data() + n.knotsV.size());
        d.weights.assign(n.weights.data(), n.weights.data() + n.weights.size());
        d.ctlpts.assign(n.ctlpts.data(), n.ctlpts.data() + n.ctlpts.size());
        out.push_back(std::move(d));
    }
    return out;
}

// Floats come back to 6 significant digits.
void expectClose(const std::vector<float>& a, const std::vector<float>& b, const char* what, float absolute = 0)
{
    ASSERT_EQ(a.size(), b.size()) << what;
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], 5e-6f * std::fabs(a[i]) + absolute + 1e-30f) << what << " [" << i << "]";
}

// The colours a reader sees after the writer: 8-bit values over 255, or the
// exact default where no colour line was needed.
struct ColorRoundTrip {
    unsigned last[4] = {128, 128, 128, 255};
    float value[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    void next(const float* c, float* expected)
    {
        unsigned q[4];
        for (int k = 0; k < 4; ++k)
            q[k] = quantizeColor(c[k]);
        if (std::memcmp(q, last, sizeof q) != 0)
            for (int k = 0; k < 4; ++k) {
                last[k] = q[k];
                value[k] = q[k] / 255.0f;
            }
        std::memcpy(expected, value, sizeof value);
    }
};

void expectSameScene(scene_t& before, scene_t& after, bool meshOnly = false)
{
    std::vector<ModelDump> a = dump(before), b = dump(after);
    ASSERT_EQ(a.size(), b.size());
    for (size_t m = 0; m < a.size(); ++m) {
        SCOPED_TRACE("model " + std::to_string(m));
        const ModelDump& x = a[m];
        const ModelDump& y = b[m];
        EXPECT_EQ(x.kind, y.kind);
        EXPECT_EQ(x.elements, y.elements);
        if (!meshOnly) {
            EXPECT_EQ(x.texture.colormap, y.texture.colormap);
            EXPECT_EQ(x.texture.bumpmap, y.texture.bumpmap);
            EXPECT_EQ(x.texture.specularmap, y.texture.specularmap);
            EXPECT_EQ(x.texture.refractfactor, y.texture.refractfactor);
            EXPECT_EQ(x.texture.bumpofs, y.texture.bumpofs);
            EXPECT_EQ(x.texture.bump2mono, y.texture.bump2mono);
            EXPECT_EQ(x.texture.mercatorsphere, y.texture.mercatorsphere);
            if (!x.texture.colormap.empty() || !x.texture.bumpmap.empty() || !x.texture.specularmap.empty()) {
                EXPECT_EQ(x.texture.mipmap, y.texture.mipmap);
                EXPECT_EQ(x.texture.nearlinear, y.texture.nearlinear);
                EXPECT_EQ(x.texture.maglinear, y.texture.maglinear);
                EXPECT_NEAR(x.texture.anisotropy, y.texture.anisotropy, 5e-6f * x.texture.anisotropy);
            }
        }
        if (x.kind == model_t::Nurbs) {
            EXPECT_EQ(x.numU, y.numU);
            EXPECT_EQ(x.orderU, y.orderU);
            EXPECT_EQ(x.numV, y.numV);
            EXPECT_EQ(x.orderV, y.orderV);
            EXPECT_EQ(x.resU, y.resU);
            EXPECT_EQ(x.resV, y.resV);
            expectClose(x.knotsU, y.knotsU, "knotsU");
            expectClose(x.knotsV, y.knotsV, "knotsV");
            expectClose(x.weights, y.weights, "weights");
            ASSERT_EQ(x.ctlpts.size(), y.ctlpts.size());
            ColorRoundTrip colors;
            for (size_t i = 0; i < x.ctlpts.size(); ++i) {
                const vyk3d::ctlpt_t& p = x.ctlpts[i];
                const vyk3d::ctlpt_t& q = y.ctlpts[i];
                expectClose({p.x, p.y, p.z}, {q.x, q.y, q.z}, "control point");
                float expected[4];
                colors.next(&p.r, expected);
                expectClose({expected[0], expected[1], expected[2], expected[3]}, {q.r, q.g, q.b, q.a},
                            "control point colour", 1e-6f);
            }
            // The tessellated mesh follows from control data equal to 6
            // digits (its colours from the quantised ones).
            ASSERT_EQ(x.vertices.size(), y.vertices.size());
            for (size_t i = 0; i < x.vertices.size(); i += 9) {
                const float* v = &x.vertices[i];
                const float* w = &y.vertices[i];
                expectClose({v[0], v[1], v[2], v[7], v[8]}, {w[0], w[1], w[2], w[7], w[8]}, "NURBS mesh", 1e-4f);
            }
        } else {
            ASSERT_EQ(x.vertices.size(), y.vertices.size());
            ColorRoundTrip colors;
            for (size_t i = 0; i < x.vertices.size(); i += 9) {
                const float* v = &x.vertices[i];
                const float* w = &y.vertices[i];
                float expected[4];
                colors.next(v + 3, expected);
                expectClose({v[0], v[1], v[2], v[7], v[8]}, {w[0], w[1], w[2], w[7], w[8]}, "vertex");
                expectClose({expected[0], expected[1], expected[2], expected[3]}, {w[3], w[4], w[5], w[6]},
                            "vertex colour", 1e-6f);
            }
            expectClose(x.frames, y.frames, "frames", 1e-7f);
        }
    }
}

bool loadInto(scene_t& scene, const std::string& path)
{
    return loadScene(scene, path, renderer(), std::cerr);
}

TEST(SceneWriterRoundTrip, SectionsWrittenByHand)
{
    // fcolor gives colours that are no 8-bit values; circle and sphere give
    // positions with many digits.
    const std::string text = "begin environment\n"
                             "reflectalpha 0.123456789\n"
                             "end\n"
                             "begin nurbs_surface,3,2,2,2\n"
                             "resolution 9,4\n"
                             "mercatorsphere true\n"
                             "refractfactor 0.3\n"
                             "knot1 0\nknot1 0\nknot1 0.5\nknot1 1\nknot1 1\n"
                             "knot1 0\nknot1 0\nknot1 0.25\nknot1 1\nknot1 1\n"
                             "knot2 0\nknot2 0\nknot2 1\nknot2 1\n"
                             "knot2 0\nknot2 0\nknot2 1\nknot2 1\n"
                             "knot2 0\nknot2 0\nknot2 1\nknot2 1\n"
                             "weight 1\nweight 0.7071068\nweight 1\nweight 1\nweight 2\nweight 1\n"
                             "fcolor 0.3,0.6,0.9,1\n"
                             "circle 1,0,0\ncircle 1,45,0\ncircle 1,90,0\n"
                             "color 10,20,30,40\n"
                             "sphere 2,30,10\nsphere 2,60,20\n"
                             "fcolor 0.5,0.5,0.5,1\n"
                             "position 3,1/3,0.1\n"
                             "end\n"
                             "begin polygon_surface,4,5\n"
                             "fcolor 0.25,0.75,1,0.5\n"
                             "texcoord 0.1,0.2\nposition 0,0,0\n"
                             "texcoord 0.3,0.4\nposition 1,0,1e-8\n"
                             "color 128,128,128,255\n"
                             "texcoord 1/3,2/3\nposition 0,1,0\n"
                             "circle 2,33.3,1\n"
                             "element 0\nelement 1\nelement 2\nelement -1\nelement 3\n"
                             "tangent 1,0,0\ntangent 1,0,0\ntangent 0.6,0.8,0\ntangent 1,0,0\n"
                             "binormal 0,1,0\nbinormal 0,1,0\nbinormal -0.8,0.6,0\nbinormal 0,1,0\n"
                             "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\n"
                             "end\n";
    vyktest::TempDir dir;
    scene_t before, after;
    ASSERT_TRUE(loadInto(before, dir.write("hand.vyk", text)));
    ASSERT_EQ(before.models.size(), 2u);
    ASSERT_TRUE(saveScene(before, dir.file("out.vyk")));
    ASSERT_TRUE(loadInto(after, dir.file("out.vyk")));
    expectSameScene(before, after);
    // The environment had no cube texture name: it is not written.
    EXPECT_EQ(after.environment.reflectalpha, 1.0f);
    before.destroyModels();
    after.destroyModels();
}

std::vector<std::string> exampleScenes()
{
    std::vector<std::string> names;
    if (DIR* d = opendir(vyktest::sourcePath("examples").c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && (n.substr(n.size() - 4) == ".vyk" || n.substr(n.size() - 4) == ".stl"))
                names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

TEST(SceneWriterRoundTrip, EveryExample)
{
    std::vector<std::string> names = exampleScenes();
    ASSERT_GE(names.size(), 7u);
    vyktest::TempDir dir;
    // Written beside the originals' images: the texture paths are relative.
    std::string images = vyktest::sourcePath("examples/images");
    ASSERT_EQ(symlink(images.c_str(), dir.file("images").c_str()), 0);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        scene_t before, after;
        ASSERT_TRUE(loadInto(before, vyktest::sourcePath("examples/" + name)));
        std::string out = dir.file(name + ".vyk");
        ASSERT_TRUE(saveScene(before, out));
        ASSERT_TRUE(loadInto(after, out));
        expectSameScene(before, after);
        EXPECT_EQ(before.environment.name, after.environment.name);
        EXPECT_NEAR(before.environment.reflectalpha, after.environment.reflectalpha, 1e-6);
        EXPECT_NEAR(before.environment.refractalpha, after.environment.refractalpha, 1e-6);
        EXPECT_NEAR(before.environment.refractfactor, after.environment.refractfactor, 1e-6);
        before.destroyModels();
        after.destroyModels();
    }
}

TEST(SceneWriterRoundTrip, StlThroughSceneTextKeepsEveryTriangle)
{
    vyktest::TempDir dir;
    scene_t stl, vyk, back;
    ASSERT_TRUE(loadInto(stl, vyktest::sourcePath("tests/data/sphere_binary.stl")));
    ASSERT_TRUE(saveModels(stl.models, dir.file("s.vyk")));
    ASSERT_TRUE(loadInto(vyk, dir.file("s.vyk")));
    expectSameScene(stl, vyk);
    ASSERT_TRUE(saveModels(vyk.models, dir.file("s.stl")));
    ASSERT_TRUE(loadInto(back, dir.file("s.stl")));
    EXPECT_EQ(dump(back)[0].elements.size(), 224u * 4);
    expectSameScene(stl, back, true);
    stl.destroyModels();
    vyk.destroyModels();
    back.destroyModels();
}

} // namespace
