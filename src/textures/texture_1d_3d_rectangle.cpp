// Uploads of the texture kinds the viewer itself does not create: 1-D, 3-D
// and rectangle textures.
#include <GL/glew.h>
#include <GL/glu.h>

#include "foundation/diagnostics.h"
#include "textures/texturable.h"
#include "textures/texture_upload.h"

namespace libgr
{

namespace
{

bool compressionAvailable()
{
    if (GLEW_ARB_texture_compression)
        return true;
    libutils::diagnostics() << "error, ARB_texture_compression unsupported when compressed image loading, skip."
                            << std::endl;
    return false;
}

} // namespace

void grTexture1D::Load()
{
    if (levels.empty())
        return;
    grColorMapGuard guard(grColorMapOf(levels[0]));
    grGLFormat gl;
    size_t first = 0;
    if (mipmap) {
        first = 1;
        const grImage1D& img = levels[0];
        if (translate(img.format, compressed, gl)) {
            grSetUnpack(img);
            if (img.compressed) {
                libutils::diagnostics() << "Compressed 'special format' image is ablen't to build mipmaps, fallback."
                                        << std::endl;
                if (compressionAvailable())
                    glCompressedTexImage1DARB(GL_TEXTURE_1D, 0, GLenum(gl.internalformat), GLsizei(img.width),
                                              border ? 1 : 0, grCompressedBytes(img), img.data());
            } else if (grUploadFits(img, gl)) {
                gluBuild1DMipmaps(GL_TEXTURE_1D, gl.internalformat, GLsizei(img.width), gl.format, gl.type, img.data());
            }
        }
    }
    for (size_t i = first; i < levels.size(); ++i) {
        const grImage1D& img = levels[i];
        if (!translate(img.format, compressed, gl))
            continue;
        grSetUnpack(img);
        GLint b = (i == 0 && border) ? 1 : 0;
        if (img.compressed) {
            if (compressionAvailable())
                glCompressedTexImage1DARB(GL_TEXTURE_1D, GLint(i), GLenum(gl.internalformat), GLsizei(img.width), b,
                                          grCompressedBytes(img), img.data());
        } else if (!grUploadFits(img, gl)) {
            continue;
        } else if (size == 0) {
            glTexImage1D(GL_TEXTURE_1D, GLint(i), gl.internalformat, GLsizei(img.width), b, gl.format, gl.type,
                         img.data());
        } else {
            uint32_t edge = grSquareEdge(size, uint32_t(i), b != 0);
            glTexImage1D(GL_TEXTURE_1D, GLint(i), gl.internalformat, GLsizei(edge), b, gl.format, gl.type, nullptr);
            if (img.data())
                glTexSubImage1D(GL_TEXTURE_1D, GLint(i), 0, GLsizei(img.width), gl.format, gl.type, img.data());
        }
    }
    grTexParameter(param);
    if (border)
        grTexBorderColor(GL_TEXTURE_1D, bordercolor);
}

void grTexture3D::Load()
{
    if (levels.empty())
        return;
    grColorMapGuard guard(grColorMapOf(levels[0]));
    // No mipmap generation for 3-D textures: every level held is uploaded.
    if (mipmap && levels[0].compressed)
        libutils::diagnostics() << "Compressed image are can't build mipmaps in this environment." << std::endl;
    grGLFormat gl;
    for (size_t i = 0; i < levels.size(); ++i) {
        const grImage3D& img = levels[i];
        if (!translate(img.format, compressed, gl))
            continue;
        grSetUnpack(img);
        GLint b = (i == 0 && border) ? 1 : 0;
        if (img.compressed) {
            if (compressionAvailable())
                glCompressedTexImage3DARB(GL_TEXTURE_3D, GLint(i), GLenum(gl.internalformat), GLsizei(img.width),
                                          GLsizei(img.height), GLsizei(img.depth), b, grCompressedBytes(img),
                                          img.data());
        } else if (!grUploadFits(img, gl)) {
            continue;
        } else if (size == 0) {
            glTexImage3DEXT(GL_TEXTURE_3D, GLint(i), GLenum(gl.internalformat), GLsizei(img.width), GLsizei(img.height),
                            GLsizei(img.depth), b, gl.format, gl.type, img.data());
        } else {
            uint32_t edge = grSquareEdge(size, uint32_t(i), b != 0);
            glTexImage3DEXT(GL_TEXTURE_3D, GLint(i), GLenum(gl.internalformat), GLsizei(edge), GLsizei(edge),
                            GLsizei(edge), b, gl.format, gl.type, nullptr);
            if (img.data())
                glTexSubImage3DEXT(GL_TEXTURE_3D, GLint(i), 0, 0, 0, GLsizei(img.width), GLsizei(img.height),
                                   GLsizei(img.depth), gl.format, gl.type, img.data());
        }
    }
    grTexParameter(param);
    if (border)
        grTexBorderColor(GL_TEXTURE_3D, bordercolor);
}

void grTextureRectangle::Load()
{
    if (image.empty())
        return;
    grColorMapGuard guard(grColorMapOf(image));
    grGLFormat gl;
    if (!translate(image.format, false, gl))
        return;
    grSetUnpack(image);
    if (grUploadFits(image, gl))
        glTexImage2D(GL_TEXTURE_RECTANGLE, 0, gl.internalformat, GLsizei(image.width), GLsizei(image.height), 0,
                     gl.format, gl.type, image.data());
    grTexParameter(param, GL_TEXTURE_RECTANGLE);
}

void grTextureRectangle::Update()
{
    if (image.empty())
        return;
    grColorMapGuard guard(grColorMapOf(image));
    grGLFormat gl;
    if (!translate(image.format, false, gl))
        return;
    grSetUnpack(image);
    if (grUploadFits(image, gl))
        glTexSubImage2D(GL_TEXTURE_RECTANGLE, 0, 0, 0, GLsizei(image.width), GLsizei(image.height), gl.format, gl.type,
                        image.data());
}

} // namespace libgr
