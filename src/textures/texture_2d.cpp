// Load and Update of grTexture2D: explicit levels, generated mipmaps,
// compressed images and placement into a power-of-two square.
#include <GL/glew.h>
#include <GL/glu.h>

#include <iostream>

#include "foundation/check_gl.h"
#include "textures/texturable.h"
#include "textures/texture_upload.h"

namespace libgr {

namespace {

const grPixelMap kNoPixelMap;

const grPixelMap& colorMapOf(const grImage2D& image) {
    return image.format.format == grFmtColorIndex ? image.pixelmap : kNoPixelMap;
}

}  // namespace

// Level 0 of the mipmapped texture; returns whether it was uploaded.
static bool uploadMipmapBase(const grImage2D& img, const grGLFormat& gl, uint32_t size, bool border) {
    GLint b = border ? 1 : 0;
    if (img.compressed) return grUploadCompressed2D(GL_TEXTURE_2D, 0, img, gl, b);
    if (!grUploadFits(img, gl)) return false;
    if (size == 0) {
        glTexImage2D(GL_TEXTURE_2D, 0, gl.internalformat, GLsizei(img.width), GLsizei(img.height), b, gl.format,
                     gl.type, img.data());
        return true;
    }
    uint32_t real_max = grSquareEdge(size, 0, border);
    glTexImage2D(GL_TEXTURE_2D, 0, gl.internalformat, GLsizei(real_max), GLsizei(real_max), b, gl.format, gl.type,
                 nullptr);
    if (checkGL("before-tex-sub-image2d")) {
        std::cerr << "internalformat: " << gl.internalformat << "\nm_border: " << b << "\nformat: " << gl.format
                  << "\ntype: " << gl.type << std::endl;
    }
    if (img.data())
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(img.width), GLsizei(img.height), gl.format, gl.type,
                        img.data());
    if (checkGL("after-tex-sub-image2d")) {
        std::cerr << "real_max: " << real_max << "\nm_width: " << img.width << "\nm_height: " << img.height
                  << "\nformat: " << gl.format << "\ntype: " << gl.type << std::endl;
    }
    return true;
}

// One explicit level (no mipmap generation).
static void uploadLevel(GLint i, const grImage2D& img, const grGLFormat& gl, uint32_t size, GLint b) {
    if (img.compressed) {
        grUploadCompressed2D(GL_TEXTURE_2D, i, img, gl, b);
        return;
    }
    if (size != 0) {
        grUploadIntoSquare(GL_TEXTURE_2D, i, img, gl, b, grSquareEdge(size, uint32_t(i), b != 0));
        return;
    }
    if (!grUploadFits(img, gl)) return;
    checkGL("before-teximage2d(not-mipmap)");
    glTexImage2D(GL_TEXTURE_2D, i, gl.internalformat, GLsizei(img.width), GLsizei(img.height), b, gl.format,
                 gl.type, img.data());
    checkGL("after-teximage2d(not-mipmap)");
}

void grTexture2D::Load() {
    if (levels.empty()) return;
    grColorMapGuard guard(colorMapOf(levels[0]));
    grGLFormat gl;
    size_t first = 0;
    if (mipmap) {
        first = 1;
        const grImage2D& img = levels[0];
        if (translate(img.format, compressed, gl)) {
            grSetUnpack(img);
            if (GLEW_VERSION_3_0) {
                if (uploadMipmapBase(img, gl, size, border)) glGenerateMipmap(GL_TEXTURE_2D);
            } else if (GLEW_SGIS_generate_mipmap && grSgisMipmapFormat(gl.internalformat)) {
                glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
                uploadMipmapBase(img, gl, size, border);
                glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_FALSE);
            } else if (img.compressed) {
                std::cerr << "Compressed 'special format' image is ablen't to build mipmaps, fallback." << std::endl;
                grUploadCompressed2D(GL_TEXTURE_2D, 0, img, gl, border ? 1 : 0);
            } else if (grUploadFits(img, gl)) {
                gluBuild2DMipmaps(GL_TEXTURE_2D, gl.internalformat, GLsizei(img.width), GLsizei(img.height),
                                  gl.format, gl.type, img.data());
            }
        }
    }
    for (size_t i = first; i < levels.size(); ++i) {
        const grImage2D& img = levels[i];
        if (!translate(img.format, compressed, gl)) continue;
        grSetUnpack(img);
        uploadLevel(GLint(i), img, gl, size, (i == 0 && border) ? 1 : 0);
    }
    grTexParameter(param);
    if (border) grTexBorderColor(GL_TEXTURE_2D, bordercolor);
}

void grTexture2D::Update() {
    if (levels.empty()) return;
    grColorMapGuard guard(colorMapOf(levels[0]));
    grGLFormat gl;
    size_t first = 0;
    if (mipmap) {
        first = 1;
        const grImage2D& img = levels[0];
        if (translate(img.format, compressed, gl)) {
            grSetUnpack(img);
            if (GLEW_VERSION_3_0) {
                grUploadSubImage2D(GL_TEXTURE_2D, 0, img, gl);
                glGenerateMipmap(GL_TEXTURE_2D);
            } else if (GLEW_SGIS_generate_mipmap && grSgisMipmapFormat(gl.internalformat)) {
                glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
                grUploadSubImage2D(GL_TEXTURE_2D, 0, img, gl);
                glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_FALSE);
            } else if (img.compressed) {
                std::cerr << "Compressed 'special format' image is ablen't to build mipmaps, fallback." << std::endl;
                grUploadSubImage2D(GL_TEXTURE_2D, 0, img, gl);
            } else if (grUploadFits(img, gl)) {
                gluBuild2DMipmaps(GL_TEXTURE_2D, gl.internalformat, GLsizei(img.width), GLsizei(img.height),
                                  gl.format, gl.type, img.data());
            }
        }
    }
    for (size_t i = first; i < levels.size(); ++i) {
        const grImage2D& img = levels[i];
        if (!translate(img.format, compressed, gl)) continue;
        grSetUnpack(img);
        grUploadSubImage2D(GL_TEXTURE_2D, GLint(i), img, gl);
    }
}

}  // namespace libgr
