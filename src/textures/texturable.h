// What a texture contains, apart from the OpenGL texture object holding it:
// image levels that know how to upload themselves into whatever texture
// object is bound (grTexture1D/2D/3D, grTextureCubeMap, grTextureRectangle).
// grTextureObject (texture_object.h) owns the OpenGL name and asks its
// texturable to upload.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <vector>

#include "textures/image.h"
#include "textures/tex_param.h"

namespace libgr
{

class grTexturable
{
  public:
    virtual ~grTexturable() = default;
    // Texture kind: 1 one-dimensional, 2 two-dimensional, 3 three-dimensional,
    // 6 cube map.
    virtual uint32_t Dimension() const = 0;
    // Uploads everything into the texture object bound on Target().
    virtual void Load() = 0;
    // Replaces the pixel data of an already loaded texture.
    virtual void Update() { Load(); }
    // The OpenGL target a texture object holding this texturable binds to:
    // by Dimension() (GL_INVALID_VALUE for an unknown kind); the rectangle
    // texture answers GL_TEXTURE_RECTANGLE.
    virtual GLenum Target() const;
};

class grTexturableImage : public grTexturable
{
  public:
    // Internal format Load would use for the first image (compressed flag
    // honoured), or GL_INVALID_VALUE without an image or for an untranslatable
    // pixel format. Prints nothing.
    virtual GLenum InternalFormat() const = 0;
};

class grTexturableImageGL : public grTexturableImage
{
};

// Members shared by the level-array textures; Param is the record type.
template <class Image, class Param> class grTextureLevels : public grTexturableImageGL
{
  public:
    // Level i at index i (the cube map keeps six faces per level). Images
    // share their pixels with whoever supplied them.
    std::vector<Image> levels;
    // 0: every level at its own size; otherwise the edge of the square
    // power-of-two texture the images are placed into.
    uint32_t size = 0;
    uint8_t compressed = 0;
    uint8_t mipmap = 0;
    uint8_t border = 0;
    Param* param = nullptr;             // borrowed, may be null
    const float* bordercolor = nullptr; // borrowed, four floats

    void SetCompressed(bool on) { compressed = on; }
    void SetMipmap(bool on) { mipmap = on; }
    void SetBorder(bool on) { border = on; }
    void SetParameter(Param* p) { param = p; }
    void SetBorderColor(const float* rgba) { bordercolor = rgba; }
};

class grTexture1D : public grTextureLevels<grImage1D, grTexParam1D>
{
  public:
    uint32_t Dimension() const override { return 1; }
    void Load() override;
    GLenum InternalFormat() const override;
    // Keeps levels 0..level (sharing `image` as the last); size 0 stays 0,
    // otherwise the larger of size and the image's width.
    void SetImage(const grImage1D& image, uint32_t size, uint32_t level);
};

class grTexture2D : public grTextureLevels<grImage2D, grTexParam2D>
{
  public:
    uint32_t Dimension() const override { return 2; }
    void Load() override;
    void Update() override;
    GLenum InternalFormat() const override;
    // Keeps levels 0..level (sharing `image` as the last); size 0 stays 0,
    // otherwise the largest of size, the image's width and its height.
    void SetImage(const grImage2D& image, uint32_t size, uint32_t level);
};

class grTexture3D : public grTextureLevels<grImage3D, grTexParam3D>
{
  public:
    uint32_t Dimension() const override { return 3; }
    void Load() override;
    GLenum InternalFormat() const override;
    void SetImage(const grImage3D& image, uint32_t size, uint32_t level);
};

class grTextureCubeMap : public grTextureLevels<grImage2D, grTexParamCubeMap>
{
  public:
    static constexpr uint32_t faceCount = 6;
    uint32_t Dimension() const override { return 6; }
    void Load() override;
    GLenum InternalFormat() const override;
    // Keeps levels 0..level with the six faces (positive x, negative x,
    // positive y, negative y, positive z, negative z) as the last; a non-zero
    // size takes the largest face edge into account.
    void SetImages(const grImage2D* faces, uint32_t size, uint32_t level);
    // Face f (0..5) of level i, or null when the level is not held.
    const grImage2D* Face(uint32_t level, uint32_t f) const;
};

// One image uploaded at its own size to GL_TEXTURE_RECTANGLE, no mipmaps.
class grTextureRectangle : public grTexturableImageGL
{
  public:
    grImage2D image;
    grTexParam2D* param = nullptr; // borrowed, may be null

    uint32_t Dimension() const override { return 2; }
    GLenum Target() const override { return GL_TEXTURE_RECTANGLE; }
    void Load() override;
    void Update() override;
    GLenum InternalFormat() const override;
    void SetImage(const grImage2D& img) { image = img; }
    void SetParameter(grTexParam2D* p) { param = p; }
};

// A texturable that is itself a texture object.
class grTexturableObject : public grTexturable
{
  public:
    virtual bool IsLoaded() const = 0;
    virtual void Unload() = 0;
};

// OpenGL target of a texture kind code: 1, 2, 3, 6; GL_INVALID_VALUE for
// anything else.
GLenum grTargetOfDimension(uint32_t dimension);

} // namespace libgr
