#include "support/scene_load.h"

#include "sceneio/scene.h"
#include "support/capture.h"
#include "support/gl_readback.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vyktest
{

// Made once, never destroyed: the GL context outlives every test.
template <class Renderer> static Renderer& made()
{
    static Renderer* r = new Renderer;
    static const bool ok = r->init("");
    EXPECT_TRUE(ok);
    return *r;
}

vyk3d::frame_pass_t& framePass()
{
    return made<vyk3d::frame_pass_t>();
}

vyk3d::glpolygon_t& polygonRenderer()
{
    return made<vyk3d::glpolygon_t>();
}

vyk3d::glmorph_t& morphRenderer()
{
    return made<vyk3d::glmorph_t>();
}

LoadedScene loadSceneFile(const std::string& path)
{
    LoadedScene r;
    scene_t scene;
    std::ostringstream err;
    r.stderrText = stderrOf([&] { r.ok = loadScene(scene, path, framePass(), err); });
    r.err = err.str();
    r.models = scene.models.size();
    r.environment = scene.environment;
    if (!scene.models.empty()) {
        model_t& m = *scene.models.front();
        vyk3d::polygon_t& p = m.polygon;
        r.kind = m.kind;
        r.texture = m.texture;
        r.resU = m.nurbs.resU;
        r.resV = m.nurbs.resV;
        r.compact = p.compact();
        p.fullRecords(); // what is read back is the records a compact surface stands for
        r.vertices = readBuffer<float>(p.vertices, p.vertices.count() * 9);
        r.frames = readBuffer<float>(p.normals, p.vertices.count() * 9);
        r.elements = readBuffer<uint32_t>(p.elements, p.elements.count());
    }
    scene.destroyModels();
    return r;
}

} // namespace vyktest
