#pragma once

// Transform feedback: the capture buffer (feedback_buffer_t, always bound at
// GL_TRANSFORM_FEEDBACK_BUFFER) and the feedback object that writes into it
// (transform_feedback_t). Need a current GL context.

#include <GL/glew.h>

#include <cstdint>
#include <utility>

namespace vyk3d
{

class feedback_buffer_t
{
  public:
    feedback_buffer_t() = default;
    ~feedback_buffer_t() { release(); }
    // Move-only: a move leaves the source without an object.
    feedback_buffer_t(feedback_buffer_t&& other) noexcept { swap(other); }
    feedback_buffer_t& operator=(feedback_buffer_t&& other) noexcept
    {
        feedback_buffer_t(std::move(other)).swap(*this);
        return *this;
    }

    // (Re)reserves room for `words` 4-byte words; contents are not kept.
    // False when GL gives no name or cannot reserve the store.
    bool allocate(uint64_t words);
    void release();

    // Read and write mapping of the whole store; null when unnamed or empty.
    void* map();
    void unmap();
    void bind() const;
    void unbind() const;

    GLuint name() const { return name_; }
    uint64_t size() const { return size_; }   // bytes
    uint64_t count() const { return count_; } // 4-byte words

  private:
    void swap(feedback_buffer_t& other) noexcept
    {
        std::swap(name_, other.name_);
        std::swap(size_, other.size_);
        std::swap(count_, other.count_);
    }
    GLuint name_ = 0;
    uint64_t size_ = 0;
    uint64_t count_ = 0;
};

class transform_feedback_t
{
  public:
    // How the feedback binding is chosen: a transform-feedback object when
    // the context offers OpenGL 4.0 (Auto, decided at the first allocate,
    // when the GL entry points are known), or forced either way.
    enum mode_t { Auto, UseObject, UseDefault };

    explicit transform_feedback_t(mode_t mode = Auto) : mode_(mode) {}
    ~transform_feedback_t() { release(); }
    // Move-only: a move leaves the source without an object.
    transform_feedback_t(transform_feedback_t&& other) noexcept { swap(other); }
    transform_feedback_t& operator=(transform_feedback_t&& other) noexcept
    {
        transform_feedback_t(std::move(other)).swap(*this);
        return *this;
    }

    // Without an object the default binding is used (name 1) and this always
    // succeeds; with one, false when GL gives no name.
    bool allocate();
    // Declares the captured outputs, interleaved; before the program links.
    void setVaryings(GLuint program, GLsizei count, const char* const* names);
    // Starts capturing into `buffer` at index 0; nothing when it is unnamed.
    void begin(GLenum primitiveMode, const feedback_buffer_t& buffer);
    void end();
    void release();

    bool useObject() const { return useObject_; }
    GLuint name() const { return name_; }

  private:
    void swap(transform_feedback_t& other) noexcept
    {
        std::swap(mode_, other.mode_);
        std::swap(useObject_, other.useObject_);
        std::swap(active_, other.active_);
        std::swap(name_, other.name_);
    }
    mode_t mode_ = Auto;
    bool useObject_ = false;
    bool active_ = false;
    GLuint name_ = 0;
};

} // namespace vyk3d
