#pragma once

// A shared GL vertex array object. Copies share one GL object; the last copy
// to be released or destroyed deletes it. Needs a current GL context.

#include <GL/glew.h>

#include <memory>

namespace vyk3d
{

class vertex_array_t
{
  public:
    vertex_array_t() = default;

    // Makes the holder (if none) and its GL name (if not yet generated).
    void create();
    // Drops this reference; the last one deletes the GL object.
    void release() { holder_.reset(); }
    bool created() const { return holder_ != nullptr; }

    // The GL name, or 0 (no object, as GL has it) when never generated.
    GLuint name() const;
    void bind() const;
    void unbind() const;
    // glDrawArrays(mode, 0, count) through this object; nothing when empty.
    void drawArrays(GLenum mode, GLsizei count) const;

  private:
    struct holder_t {
        GLuint name = 0;
        bool generated = false;
        ~holder_t();
    };
    std::shared_ptr<holder_t> holder_;
};

} // namespace vyk3d
