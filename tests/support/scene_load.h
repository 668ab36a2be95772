#pragma once

// Scene files loaded as the viewer loads them, with what they hold read
// back from GL; the renderers made once per process, as the viewer keeps them.

#include "model/environment.h"
#include "model/frame_pass.h"
#include "model/texture.h"
#include "render/glmorph.h"
#include "render/glpolygon.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vyktest
{

// Built and initialised on first use; needs the GL context.
vyk3d::frame_pass_t& framePass();
vyk3d::glpolygon_t& polygonRenderer();
vyk3d::glmorph_t& morphRenderer();

// One loadScene: its result, the reader's messages (err), what went to
// stderr (STL, evaluator and texture messages), and the first model's
// arrays read back from GL.
struct LoadedScene {
    bool ok = false;
    std::string err, stderrText;
    size_t models = 0;
    uint32_t kind = 99, resU = 0, resV = 0;
    bool compact = false;                // the first model was read in the compact form
    std::vector<float> vertices, frames; // 9 floats a vertex
    std::vector<uint32_t> elements;
    vyk3d::texture_t texture;
    vyk3d::environment_t environment;
};
LoadedScene loadSceneFile(const std::string& path);

} // namespace vyktest
