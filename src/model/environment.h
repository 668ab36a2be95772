// The environment of a scene: a cube map from six face files, drawn as a sky
// box and reflected/refracted by the surfaces, and the cube texture registry.
#pragma once

#include <cstdint>
#include <string>

#include "model/texture_registry.h"
#include "textures/image.h"
#include "textures/tex_param.h"
#include "textures/texturable.h"
#include "textures/texture_object.h"

namespace vyk3d
{

// One cached cube map: six face images, parameters, the cube map over the
// faces and its texture object. Fixed address; shared by pointer.
struct cube_entry_t {
    libgr::grImage2D faces[6];
    libgr::grTexParamCubeMap param;
    libgr::grTextureCubeMap texture;
    libgr::grTextureObject texobj;

    cube_entry_t() = default;
    cube_entry_t(const cube_entry_t&) = delete;
    cube_entry_t& operator=(const cube_entry_t&) = delete;
};

using cube_registry_t = texture_registry_t<cube_entry_t>;

// The one cube texture registry of the process (keys: the resolved face base
// path, or "cube" for the unnamed black environment).
cube_registry_t& cubeRegistry();

// Face file name suffixes in face order.
extern const char* const cubeFaceSuffixes[6];

class environment_t
{
  public:
    std::string name;           // base name after "cubetex"/"cubemap"; empty = none
    uint32_t handle = 0;        // cube registry handle, 0 = none
    float reflectalpha = 1.0f;  // weight of the reflected environment
    float refractalpha = 0.0f;  // weight of the refracted environment
    float refractfactor = 1.0f; // ratio of refraction indices

    // Makes `handle` refer to the cube map of `name`, read relative to the
    // directory of `scenefilename` and loaded only once per key. A face that
    // does not load prints "<scene>: base filename." and "<face>:
    // autoloadformat failed." and returns false (the half-filled entry stays
    // registered). An empty name gives the black 1x1 "cube" entry. Safe on
    // untrusted image files. Needs a current GL context.
    bool initex(const char* scenefilename);

    // The cube map's entry and texture object, null for handle 0.
    cube_entry_t* entry() const { return cubeRegistry().get(handle); }
    libgr::grTextureObject* texture() const;
};

// Face file name of face f for `name` relative to `scenefilename`.
std::string cubeFaceFileName(const char* scenefilename, const std::string& name, int face);

} // namespace vyk3d
