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

inline vyk3d::glpolygon_t& renderer()
{
    vyktest::glContext();
    static vyk3d::glpolygon_t* r = nullptr;
    if (r == nullptr) {
        r = new vyk3d::glpolygon_t;
        r->init("");
    }
    return *r;
}

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
    std::vector<float> knotsU;
    vyk3d::environment_t environment;
};

inline Loaded loadFile(const std::string& path)
{
    vyk3d::glpolygon_t& rend = renderer();
    Loaded r;
    scene_t scene;
    std::ostringstream err;
    testing::internal::CaptureStderr();
    r.ok = loadScene(scene, path, rend, err);
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
        r.knotsU.assign(m.nurbs.knotsU.data(), m.nurbs.knotsU.data() + m.nurbs.knotsU.size());
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

// Elements and frames of a triangle: 12 lines.
inline std::string triangleTail()
{
    return "element 0\n"
           "element 1\n"
           "element 2\n"
           "tangent 1,0,0\ntangent 1,0,0\ntangent 1,0,0\n"
           "binormal 0,1,0\nbinormal 0,1,0\nbinormal 0,1,0\n"
           "normal 0,0,1\nnormal 0,0,1\nnormal 0,0,1\n";
}

// A triangle, lines 2 to 16 after its header: three positions, three
// elements, three tangents, binormals and normals.
inline std::string triangleBody()
{
    return "position 0,0,0\nposition 1,0,0\nposition 0,1,0\n" + triangleTail();
}

inline std::string triangle(const std::string& extra = "")
{
    return "begin polygon_surface,3,3\n" + extra + triangleBody() + "end\n";
}

// A bilinear 2 x 2 patch of order 2: eight knots in each direction, four
// weights, four corners.
inline std::string patchBody(int knot1Count = 8)
{
    std::string s;
    const char* k[] = {"0", "0", "1", "1"};
    for (int i = 0; i < knot1Count; ++i)
        s += std::string("knot1 ") + k[i % 4] + "\n";
    for (int i = 0; i < 8; ++i)
        s += std::string("knot2 ") + k[i % 4] + "\n";
    s += "weight 1\nweight 1\nweight 1\nweight 1\n";
    s += "position 0,0,0\nposition 1,0,0\nposition 0,1,0\nposition 1,1,0\n";
    return s;
}

inline std::string patch(const std::string& extra = "", int knot1Count = 8)
{
    return "begin nurbs_surface,2,2,2,2\n" + extra + patchBody(knot1Count) + "end\n";
}

} // namespace scenetest
