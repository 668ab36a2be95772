// An OpenGL texture name shared by std::shared_ptr, bound around drawing, and
// the texturable it was created from.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <memory>

#include "textures/image.h"
#include "textures/texturable.h"

namespace libgr
{

// Owns one texture name; 0 is no object. Move-only: the objects that share
// a name share it through std::shared_ptr.
struct grTextureName {
    GLuint name = 0;

    grTextureName() = default;
    grTextureName(grTextureName&& other) noexcept : name(other.name) { other.name = 0; }
    grTextureName& operator=(grTextureName&& other) noexcept;
    ~grTextureName();
};

class grTextureObject : public grTexturableObject
{
  public:
    // Copies share the texture name; the last one deletes it.
    grTextureObject() = default;

    // Generates the texture name on first use, binds it to the texturable's
    // target and uploads the texturable into it. The texturable must outlive
    // this object.
    void Create(grTexturable& texturable);

    // Binds for drawing (enables the target too without OpenGL 3.0); without
    // a name does nothing.
    void Load() override;
    // Binds 0 to the target after drawing.
    void Unload() override;
    // When loaded: binds and lets the texturable replace its pixels.
    void Update() override;
    bool IsLoaded() const override { return loaded_ != 0; }
    // Kind code from the target (GL_TEXTURE_1D 1, 2D and rectangle 2, 3D 3,
    // cube map 6, otherwise 0).
    uint32_t Dimension() const override;
    GLenum Target() const override { return target_; }

    // The OpenGL name, or 0 (no object, as GL has it) when never generated.
    GLuint Name() const;
    // Copies sharing this object's name, this one included (0 without one).
    uint64_t ShareCount() const { return uint64_t(handle_.use_count()); }
    const grTexturable* Texturable() const { return texturable_; }

    // Reads a level of the texture bound on the target (for a cube map the
    // face given, positive x by default) into `image` as RGBA; the image's
    // type and bits follow the texture's red component. Returns false
    // silently for a component type it cannot read, or with
    // "red size is not recognized." / "grTextureObject::GetTextureImage() img
    // allocate fail.".
    bool GetTextureImage(int level, grImage2D& image, GLenum face = 0) const;
    // The same, addressing this object's name directly (no binding).
    bool GetTextureImageDirect(int level, grImage2D& image, GLenum face = 0) const;

  private:
    std::shared_ptr<grTextureName> handle_;
    GLenum target_ = GL_INVALID_VALUE;
    uint8_t loaded_ = 0;
    grTexturable* texturable_ = nullptr;
};

} // namespace libgr
