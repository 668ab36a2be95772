// Load of grTextureCubeMap: the 2-D upload steps for each level's six faces.
#include <GL/glew.h>
#include <GL/glu.h>

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"
#include "textures/texturable.h"
#include "textures/texture_upload.h"

namespace libgr
{

namespace
{

GLenum faceTarget(uint32_t f)
{
    return GL_TEXTURE_CUBE_MAP_POSITIVE_X + f;
}

// One face of a mipmapped level 0: at its own size, or into a square of the
// smallest power of two not below `size`. Returns whether it was uploaded.
bool uploadMipmapFace(GLenum target, const grImage2D& img, const grGLFormat& gl, uint32_t size)
{
    if (img.compressed)
        return grUploadCompressed2D(target, 0, img, gl, 0);
    if (!grUploadFits(img, gl))
        return false;
    if (size == 0)
        glTexImage2D(target, 0, gl.internalformat, GLsizei(img.width), GLsizei(img.height), 0, gl.format, gl.type,
                     img.data());
    else
        grUploadIntoSquare(target, 0, img, gl, 0, grSquareEdge(size, 0, false));
    return true;
}

} // namespace

void grTextureCubeMap::Load()
{
    size_t count = levels.size() / faceCount;
    if (count == 0)
        return;
    grColorMapGuard guard(grColorMapOf(levels[0]));
    grGLFormat gl;
    size_t first = 0;
    if (mipmap) {
        first = 1;
        grGLFormat faceGL[faceCount];
        bool ok[faceCount];
        bool any = false;
        for (uint32_t f = 0; f < faceCount; ++f) {
            ok[f] = translate(levels[f].format, compressed, faceGL[f]);
            any = any || ok[f];
        }
        // Each face sets its own unpack state right before its upload.
        auto upload = [&](uint32_t f) {
            grSetUnpack(levels[f]);
            checkGL("after-unpack_window_subset");
            return uploadMipmapFace(faceTarget(f), levels[f], faceGL[f], size);
        };
        if (!any) {
            // nothing to build from
        } else if (GLEW_VERSION_3_0) {
            bool uploaded = false;
            for (uint32_t f = 0; f < faceCount; ++f)
                if (ok[f])
                    uploaded = upload(f) || uploaded;
            if (uploaded) {
                checkGL("before-generate_mipmap");
                glGenerateMipmap(GL_TEXTURE_CUBE_MAP);
                checkGL("after-generate_mipmap");
            }
        } else if (GLEW_SGIS_generate_mipmap && grSgisMipmapFormat(ok[0] ? faceGL[0].internalformat : 0)) {
            glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
            checkGL("after-texparameter_cubemap-sgis-true");
            for (uint32_t f = 0; f < faceCount; ++f)
                if (ok[f])
                    upload(f);
            checkGL("before-texparameter_cubemap-sgis-false");
            glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_GENERATE_MIPMAP_SGIS, GL_FALSE);
            checkGL("after-texparameter_cubemap-sgis-false");
        } else {
            for (uint32_t f = 0; f < faceCount; ++f) {
                if (!ok[f])
                    continue;
                const grImage2D& img = levels[f];
                grSetUnpack(img);
                checkGL("after-unpack_window_subset");
                if (img.compressed) {
                    libutils::diagnostics()
                        << "Compressed 'special format' image is ablen't to build mipmaps, fallback.";
                    grUploadCompressed2D(faceTarget(f), 0, img, faceGL[f], 0);
                } else if (grUploadFits(img, faceGL[f])) {
                    gluBuild2DMipmaps(faceTarget(f), faceGL[f].internalformat, GLsizei(img.width), GLsizei(img.height),
                                      faceGL[f].format, faceGL[f].type, img.data());
                    checkGL("after-gluBuild2DMipmaps");
                }
            }
        }
    }
    // Explicit levels: with a size, squares halving from level to level; with
    // size 0 every face at its own size.
    for (size_t i = first; i < count; ++i) {
        GLint b = (i == 0 && border) ? 1 : 0;
        for (uint32_t f = 0; f < faceCount; ++f) {
            const grImage2D& img = levels[i * faceCount + f];
            if (!translate(img.format, compressed, gl))
                continue;
            grSetUnpack(img);
            checkGL("after-unpack_window_subset");
            if (img.compressed)
                grUploadCompressed2D(faceTarget(f), GLint(i), img, gl, b);
            else if (size != 0)
                grUploadIntoSquare(faceTarget(f), GLint(i), img, gl, b, grSquareEdge(size, uint32_t(i), b != 0));
            else if (grUploadFits(img, gl))
                glTexImage2D(faceTarget(f), GLint(i), gl.internalformat, GLsizei(img.width), GLsizei(img.height), b,
                             gl.format, gl.type, img.data());
        }
    }
    grTexParameter(param);
    if (border)
        grTexBorderColor(GL_TEXTURE_CUBE_MAP, bordercolor);
}

} // namespace libgr
