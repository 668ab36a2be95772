// Loading scene text written by a test, shared by the scene reader tests.
#pragma once

#include "sceneio/scene.h"

#include "render/glpolygon.h"
#include "render/scoped_map.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace scenetest
{

constexpr uint32_t R = 0xFFFFFFFFu;

// One load: its result, the reader's messages (err) and what went to stderr
// (evaluator and texture messages), with the first model read back from GL.
struct Loaded {
    bool ok = false;
    std::string err;
    std::string stderrText;
    size_t models = 0;
    uint32_t kind = 99;
    std::vector<float> vertices, frames;
    std::vector<uint32_t> elements;
    vyk3d::texture_t texture;
    uint32_t resU = 0, resV = 0;
    vyk3d::environment_t environment;
};

inline Loaded loadFile(const std::string& path)
{
    vyktest::glContext();
    static vyk3d::glpolygon_t* renderer = nullptr;
    if (renderer == nullptr) {
        renderer = new vyk3d::glpolygon_t;
        renderer->init("");
    }
    Loaded r;
    scene_t scene;
    std::ostringstream err;
    testing::internal::CaptureStderr();
    r.ok = loadScene(scene, path, *renderer, err);
    r.stderrText = testing::internal::GetCapturedStderr();
    r.err = err.str();
    r.models = scene.models.size();
    r.environment = scene.environment;
    if (!scene.models.empty()) {
        model_t& m = *scene.models.front();
        r.kind = m.kind;
        r.texture = m.texture;
        r.resU = m.nurbs.resU;
        r.resV = m.nurbs.resV;
        vyk3d::polygon_t& p = m.polygon;
        if (p.vertices.count() > 0) {
            vyk3d::scoped_map_t<float> v(p.vertices, GL_MAP_READ_BIT);
            vyk3d::scoped_map_t<float> f(p.normals, GL_MAP_READ_BIT);
            r.vertices.assign(v.get(), v.get() + p.vertices.count() * 9);
            r.frames.assign(f.get(), f.get() + p.normals.count() * 9);
        }
        if (p.elements.count() > 0) {
            vyk3d::scoped_map_t<uint32_t> e(p.elements, GL_MAP_READ_BIT);
            r.elements.assign(e.get(), e.get() + p.elements.count());
        }
    }
    scene.destroyModels();
    return r;
}

inline Loaded load(const std::string& text, const std::string& name = "scene.vyk")
{
    vyktest::TempDir dir;
    return loadFile(dir.write(name, text));
}

// A load's result and the reader's messages, exactly.
struct outcome_t {
    std::string text;
    bool ok;
    std::string err;
};

inline void expectOutcomes(const std::vector<outcome_t>& cases)
{
    for (const outcome_t& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 200));
        const Loaded r = load(c.text);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.err, c.err);
    }
}

// Unit tangent frames for n vertices, all tangents first; the tangents'
// numbers are separated by blanks, which reals allow.
inline std::string frames(int n)
{
    std::string s;
    for (const char* part : {"tangent 1 0 0\n", "binormal 0,1,0\n", "normal 0,0,1\n"})
        for (int i = 0; i < n; ++i)
            s += part;
    return s;
}

// A triangle, lines 2 to 16 after its header: three positions, three
// elements, three tangents, binormals and normals.
inline std::string triangleBody()
{
    return "position 0,0,0\nposition 1,0,0\nposition 0,1,0\nelement 0\nelement 1\nelement 2\n" + frames(3);
}

inline std::string triangle(const std::string& extra = "")
{
    return "begin polygon_surface,3,3\n" + extra + triangleBody() + "end\n";
}

// A bilinear 2 x 2 patch of order 2, lines 2 to 25 after its header: eight
// knots in each direction, four weights, four corners.
inline std::string patch(const std::string& extra = "", int knot1Count = 8)
{
    std::string s = "begin nurbs_surface,2,2,2,2\n" + extra;
    const char* k[] = {"0", "0", "1", "1"};
    for (int i = 0; i < knot1Count; ++i)
        s += std::string("knot1 ") + k[i % 4] + "\n";
    for (int i = 0; i < 8; ++i)
        s += std::string("knot2 ") + k[i % 4] + "\n";
    s += "weight 1\nweight 1\nweight 1\nweight 1\n";
    return s + "position 0,0,0\nposition 1,0,0\nposition 0,1,0\nposition 1,1,0\nend\n";
}

} // namespace scenetest
