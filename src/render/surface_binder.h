#pragma once

// What the main and the morph programs share: the uniform locations both
// declare, and the binding of the view, a texture set and the environment
// around a draw. GL thread only.

#include "foundation/math.h"

#include <GL/glew.h>

namespace libgr
{
class grTextureObject;
}

namespace vyk3d
{

class environment_t;
class texture_t;

// Where one texture set goes in a program: its sampler and bump-offset
// locations, and the unit of its colour map (bump and specular maps take
// the two units after it).
struct texture_set_slots_t {
    GLint colorTex, bumpTex, specTex, bumpOfs;
    GLint colorUnit;
};

// The maps of one set bound by bindSet, for unbindSet.
struct bound_set_t {
    libgr::grTextureObject* color;
    libgr::grTextureObject* bump;
    libgr::grTextureObject* specular;
    GLint colorUnit;
};

class surface_binder_t
{
  public:
    GLint Globalview = -1, Modelview = -1, invModelview = -1, Projection = -1, LightPosition = -1, Shininess = -1,
          RefractFactor = -1, SkyBox = -1, ReflectAlpha = -1, RefractAlpha = -1, cubeTex = -1, colorTex = -1,
          bumpTex = -1, specTex = -1, bumpOfs = -1, MercatorSphere = -1;

  protected:
    // The four matrices (transposed: they are stored column by column) and
    // the light position, into the program in use.
    void uploadView(const mtx3w* globalview, const mtx3w* modelview, const mtx3w* invmodelview, const mtx3w* projection,
                    const pos3* light) const;

    // Binds the colour, bump and specular maps of `set` (null: none, with a
    // zero bump offset) on their units and sets the samplers and the bump
    // offset. After each step a GL error check with the tag of that step:
    // colour, bump unit made active, bump sampler, bump map bound, bump
    // offset, specular; a null tag checks nothing. A map the set does not
    // have leaves its unit unbound.
    static bound_set_t bindSet(const texture_set_slots_t& slots, const texture_t* set, const char* const (&tags)[6]);
    // Unbinds in reverse order (specular, bump, colour); no unit is touched
    // for a map that was not bound.
    static void unbindSet(const bound_set_t& bound);

    // The environment's uniforms: with a name, its refraction factor, the
    // sky-box flag and both alphas; without, both alphas 0 (so no cube-map
    // colour is added) and the rest as they were. With cubeUnit >= 0 the
    // cube sampler is set to that unit and, with a name, its cube texture
    // bound there; the cube bound (or null) is returned for unbindCube.
    libgr::grTextureObject* bindEnvironment(const environment_t& environment, bool skybox, GLint cubeUnit) const;
    static void unbindCube(GLint cubeUnit, libgr::grTextureObject* cube);

    static void activeUnit(GLint unit) { glActiveTexture(GLenum(GL_TEXTURE0 + unit)); }
};

} // namespace vyk3d
