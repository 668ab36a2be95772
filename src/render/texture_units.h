#pragma once

// Binding the renderers' textures to their units around a draw. GL thread
// only.

#include <GL/glew.h>

#include "textures/texture_object.h"

namespace vyk3d
{

inline void activeUnit(GLint unit)
{
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
}

// Makes `unit` active and binds `texture` there; a texture the set does not
// have (null) leaves the unit unbound.
inline void loadOn(GLint unit, libgr::grTextureObject* texture)
{
    activeUnit(unit);
    if (texture != nullptr)
        texture->Load();
}

// Unbinds `texture` from `unit`; nothing (not even the unit switch) for null.
inline void unloadOn(GLint unit, libgr::grTextureObject* texture)
{
    if (texture == nullptr)
        return;
    activeUnit(unit);
    texture->Unload();
}

} // namespace vyk3d
