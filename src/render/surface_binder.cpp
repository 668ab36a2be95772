#include "render/surface_binder.h"

#include "foundation/check_gl.h"
#include "model/environment.h"
#include "model/texture.h"
#include "textures/texture_object.h"

namespace vyk3d
{

namespace
{

// Makes `unit` active and binds `texture` there; a texture the set does not
// have (null) leaves the unit unbound.
void loadOn(GLint unit, libgr::grTextureObject* texture)
{
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    if (texture != nullptr)
        texture->Load();
}

// Unbinds `texture` from `unit`; nothing (not even the unit switch) for null.
void unloadOn(GLint unit, libgr::grTextureObject* texture)
{
    if (texture == nullptr)
        return;
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    texture->Unload();
}

void checkStep(const char* tag)
{
    if (tag != nullptr)
        checkGL(tag);
}

} // namespace

void surface_binder_t::uploadView(const mtx3w* globalview, const mtx3w* modelview, const mtx3w* invmodelview,
                                  const mtx3w* projection, const pos3* light) const
{
    glUniformMatrix4fv(Globalview, 1, GL_TRUE, globalview->m);
    glUniformMatrix4fv(Modelview, 1, GL_TRUE, modelview->m);
    glUniformMatrix4fv(invModelview, 1, GL_TRUE, invmodelview->m);
    glUniformMatrix4fv(Projection, 1, GL_TRUE, projection->m);
    glUniform3fv(LightPosition, 1, &light->x);
}

bound_set_t surface_binder_t::bindSet(const texture_set_slots_t& slots, const texture_t* set,
                                      const char* const (&tags)[6])
{
    static const float noOffset[2] = {0.0f, 0.0f};
    const GLint unit = slots.colorUnit;
    const bound_set_t bound = {set ? set->colortexture() : nullptr, set ? set->bumptexture() : nullptr,
                               set ? set->speculartexture() : nullptr, unit};
    glUniform1i(slots.colorTex, unit);
    loadOn(unit, bound.color);
    checkStep(tags[0]);
    activeUnit(unit + 1);
    checkStep(tags[1]);
    glUniform1i(slots.bumpTex, unit + 1);
    checkStep(tags[2]);
    loadOn(unit + 1, bound.bump);
    checkStep(tags[3]);
    glUniform2fv(slots.bumpOfs, 1, set ? set->bumpoffset : noOffset);
    checkStep(tags[4]);
    glUniform1i(slots.specTex, unit + 2);
    loadOn(unit + 2, bound.specular);
    checkStep(tags[5]);
    return bound;
}

void surface_binder_t::unbindSet(const bound_set_t& bound)
{
    unloadOn(bound.colorUnit + 2, bound.specular);
    unloadOn(bound.colorUnit + 1, bound.bump);
    unloadOn(bound.colorUnit, bound.color);
}

libgr::grTextureObject* surface_binder_t::bindEnvironment(const environment_t& environment, bool skybox,
                                                          GLint cubeUnit) const
{
    const bool named = !environment.name.empty();
    libgr::grTextureObject* cube = named && cubeUnit >= 0 ? environment.texture() : nullptr;
    if (cubeUnit >= 0) {
        activeUnit(cubeUnit);
        glUniform1i(cubeTex, cubeUnit);
    }
    if (named) {
        if (cubeUnit >= 0)
            loadOn(cubeUnit, cube);
        glUniform1f(RefractFactor, environment.refractfactor);
        glUniform1i(SkyBox, skybox);
        glUniform1f(ReflectAlpha, environment.reflectalpha);
        glUniform1f(RefractAlpha, environment.refractalpha);
    } else {
        glUniform1f(ReflectAlpha, 0.0f);
        glUniform1f(RefractAlpha, 0.0f);
    }
    return cube;
}

void surface_binder_t::unbindCube(GLint cubeUnit, libgr::grTextureObject* cube)
{
    unloadOn(cubeUnit, cube);
}

} // namespace vyk3d
