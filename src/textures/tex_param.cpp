#include "textures/tex_param.h"

#include "foundation/check_gl.h"

namespace libgr
{

void grTexParameter(const grTexParam1D* param)
{
    if (!param)
        return;
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, param->minfilter);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, param->magfilter);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, param->wraps);
}

void grTexParameter(const grTexParam2D* param)
{
    grTexParameter(param, GL_TEXTURE_2D);
}

void grTexParameter(const grTexParam2D* param, GLenum target)
{
    if (!param)
        return;
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, param->minfilter);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, param->magfilter);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, param->wraps);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, param->wrapt);
    // Set even without the extension flag: every driver this viewer targets
    // has anisotropic filtering, and a missing one only raises a reported
    // GL error.
    glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, param->anisotropy);
}

void grTexParameter(const grTexParamCubeMap* param)
{
    if (!param)
        return;
    checkGL("grTexParameter(cubemap) start");
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, param->minfilter);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, param->magfilter);
    if (GLEW_EXT_texture_filter_anisotropic)
        glTexParameterf(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_ANISOTROPY_EXT, param->anisotropy);
    checkGL("grTexParameter(cubemap) end");
}

void grTexParameter(const grTexParam3D* param)
{
    if (!param)
        return;
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, param->minfilter);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, param->magfilter);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, param->wraps);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, param->wrapt);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, param->wrapr);
    if (GLEW_EXT_texture_filter_anisotropic)
        glTexParameterf(GL_TEXTURE_3D, GL_TEXTURE_MAX_ANISOTROPY_EXT, param->anisotropy);
}

void grTexBorderColor(GLenum target, const float* color)
{
    if (!color)
        return;
    glTexParameterfv(target, GL_TEXTURE_BORDER_COLOR, color);
}

} // namespace libgr
