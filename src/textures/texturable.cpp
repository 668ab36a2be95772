#include "textures/texturable.h"

#include <algorithm>

#include "textures/texture_upload.h"

namespace libgr
{

GLenum grTargetOfDimension(uint32_t dimension)
{
    switch (dimension) {
    case 1:
        return GL_TEXTURE_1D;
    case 2:
        return GL_TEXTURE_2D;
    case 3:
        return GL_TEXTURE_3D;
    case 6:
        return GL_TEXTURE_CUBE_MAP;
    default:
        return GL_INVALID_VALUE;
    }
}

GLenum grTexturable::Target() const
{
    return grTargetOfDimension(Dimension());
}

namespace
{

template <class Image> GLenum internalFormatOf(const Image* image, bool compressed)
{
    grGLFormat gl;
    if (!image || !translateQuiet(image->format, compressed, gl))
        return GL_INVALID_VALUE;
    return GLenum(gl.internalformat);
}

// Keeps `count` entries, the last `n` of which become copies of `images`.
template <class Image> void setLast(std::vector<Image>& levels, size_t count, const Image* images, size_t n)
{
    levels.resize(count);
    for (size_t i = 0; i < n; ++i)
        levels[count - n + i] = images[i];
}

} // namespace

GLenum grTexture1D::InternalFormat() const
{
    return internalFormatOf(levels.empty() ? nullptr : &levels[0], compressed);
}

void grTexture1D::SetImage(const grImage1D& image, uint32_t sz, uint32_t level)
{
    setLast(levels, size_t(level) + 1, &image, 1);
    size = sz == 0 ? 0 : std::max(sz, image.width);
}

GLenum grTexture2D::InternalFormat() const
{
    return internalFormatOf(levels.empty() ? nullptr : &levels[0], compressed);
}

void grTexture2D::SetImage(const grImage2D& image, uint32_t sz, uint32_t level)
{
    setLast(levels, size_t(level) + 1, &image, 1);
    size = sz == 0 ? 0 : std::max({sz, image.width, image.height});
}

GLenum grTexture3D::InternalFormat() const
{
    return internalFormatOf(levels.empty() ? nullptr : &levels[0], compressed);
}

void grTexture3D::SetImage(const grImage3D& image, uint32_t sz, uint32_t level)
{
    setLast(levels, size_t(level) + 1, &image, 1);
    size = sz == 0 ? 0 : std::max({sz, image.width, image.height, image.depth});
}

GLenum grTextureCubeMap::InternalFormat() const
{
    return internalFormatOf(levels.empty() ? nullptr : &levels[0], compressed);
}

void grTextureCubeMap::SetImages(const grImage2D* faces, uint32_t sz, uint32_t level)
{
    setLast(levels, (size_t(level) + 1) * faceCount, faces, faceCount);
    size = sz;
    if (sz != 0)
        for (uint32_t f = 0; f < faceCount; ++f)
            size = std::max({size, faces[f].width, faces[f].height});
}

const grImage2D* grTextureCubeMap::Face(uint32_t level, uint32_t f) const
{
    size_t i = size_t(level) * faceCount + f;
    return f < faceCount && i < levels.size() ? &levels[i] : nullptr;
}

GLenum grTextureRectangle::InternalFormat() const
{
    return internalFormatOf(image.empty() ? nullptr : &image, false);
}

} // namespace libgr
