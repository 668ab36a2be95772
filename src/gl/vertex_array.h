#pragma once

// One GL vertex array object. Needs a current GL context.

#include <GL/glew.h>

#include <utility>

namespace vyk3d
{

class vertex_array_t
{
  public:
    vertex_array_t() = default;
    ~vertex_array_t() { release(); }
    // Move-only: a move leaves the source without an object.
    vertex_array_t(vertex_array_t&& other) noexcept { swap(other); }
    vertex_array_t& operator=(vertex_array_t&& other) noexcept
    {
        vertex_array_t(std::move(other)).swap(*this);
        return *this;
    }

    // Makes the GL name once.
    void create();
    // Deletes the GL object if there is one; the wrapper is reusable.
    void release();
    bool created() const { return created_; }

    // The GL name, or 0 (no object, as GL has it) when never generated.
    GLuint name() const { return name_; }
    void bind() const;
    void unbind() const;
    // glDrawArrays(mode, 0, count) through this object; nothing when empty.
    void drawArrays(GLenum mode, GLsizei count) const;

  private:
    void swap(vertex_array_t& other) noexcept
    {
        std::swap(name_, other.name_);
        std::swap(created_, other.created_);
    }
    GLuint name_ = 0;
    bool created_ = false;
};

} // namespace vyk3d
