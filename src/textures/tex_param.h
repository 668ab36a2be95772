// Texture-parameter records and their application to the bound texture.
#pragma once

#include <GL/glew.h>

#include <cstdint>

namespace libgr
{

// Plain records owned by the caller; textures only point to them. Values are
// OpenGL enumerants (GL_LINEAR, GL_REPEAT, ...).
struct grTexParam1D {
    int32_t minfilter = GL_LINEAR;
    int32_t magfilter = GL_LINEAR;
    int32_t wraps = GL_REPEAT;
};

struct grTexParam2D {
    int32_t minfilter = GL_LINEAR;
    int32_t magfilter = GL_LINEAR;
    int32_t wraps = GL_REPEAT;
    int32_t wrapt = GL_REPEAT;
    float anisotropy = 1.0f;
};

struct grTexParamCubeMap {
    int32_t minfilter = GL_LINEAR;
    int32_t magfilter = GL_LINEAR;
    float anisotropy = 1.0f;
};

struct grTexParam3D {
    int32_t minfilter = GL_LINEAR;
    int32_t magfilter = GL_LINEAR;
    int32_t wraps = GL_REPEAT;
    int32_t wrapt = GL_REPEAT;
    int32_t wrapr = GL_REPEAT;
    float anisotropy = 1.0f;
};

// Each applies its record to the texture bound on the record's target
// (GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_3D).
// A null record does nothing.
void grTexParameter(const grTexParam1D* param);
void grTexParameter(const grTexParam2D* param);
// The 2-D record applied to another 2-D target (the rectangle texture).
void grTexParameter(const grTexParam2D* param, GLenum target);
void grTexParameter(const grTexParamCubeMap* param);
void grTexParameter(const grTexParam3D* param);

// GL_TEXTURE_BORDER_COLOR of the texture bound on target; null does nothing.
void grTexBorderColor(GLenum target, const float* color);

} // namespace libgr
