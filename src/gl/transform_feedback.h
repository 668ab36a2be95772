#pragma once

// Transform feedback: the capture buffer (feedback_buffer_t, always bound at
// GL_TRANSFORM_FEEDBACK_BUFFER) and the feedback object that writes into it
// (transform_feedback_t). Need a current GL context.

#include <GL/glew.h>

#include <cstdint>

namespace vyk3d
{

class feedback_buffer_t
{
  public:
    feedback_buffer_t() = default;
    ~feedback_buffer_t() { release(); }
    feedback_buffer_t(const feedback_buffer_t&) = delete;
    feedback_buffer_t& operator=(const feedback_buffer_t&) = delete;

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
    transform_feedback_t(const transform_feedback_t&) = delete;
    transform_feedback_t& operator=(const transform_feedback_t&) = delete;

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
    mode_t mode_;
    bool useObject_ = false;
    bool active_ = false;
    GLuint name_ = 0;
};

} // namespace vyk3d
