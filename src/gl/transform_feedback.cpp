#include "gl/transform_feedback.h"

#include "foundation/check_gl.h"
#include "gl/buffer.h"

#include <cstdint>

namespace vyk3d
{

bool feedback_buffer_t::allocate(uint64_t words)
{
    if (words > uint64_t(INT64_MAX) / 4)
        return false;
    count_ = words;
    size_ = words * 4;
    if (name_ == 0)
        glGenBuffers(1, &name_);
    if (name_ == 0)
        return false;
    checkGL("feedback_buffer_t::allocate(0)");
    bind();
    reserveStore(GL_TRANSFORM_FEEDBACK_BUFFER, GLsizeiptr(size_));
    const bool failed = checkGL("feedback_buffer_t::allocate(1)");
    unbind();
    if (failed) {
        size_ = 0;
        count_ = 0;
        return false;
    }
    return true;
}

void feedback_buffer_t::release()
{
    if (name_ != 0)
        glDeleteBuffers(1, &name_);
    name_ = 0;
    size_ = 0;
    count_ = 0;
}

void* feedback_buffer_t::map()
{
    if (name_ == 0 || size_ == 0)
        return nullptr;
    bind();
    void* ptr =
        glMapBufferRange(GL_TRANSFORM_FEEDBACK_BUFFER, 0, GLsizeiptr(size_), GL_MAP_READ_BIT | GL_MAP_WRITE_BIT);
    unbind();
    return ptr;
}

void feedback_buffer_t::unmap()
{
    if (name_ == 0)
        return;
    bind();
    glUnmapBuffer(GL_TRANSFORM_FEEDBACK_BUFFER);
    unbind();
}

void feedback_buffer_t::bind() const
{
    glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, name_);
}

void feedback_buffer_t::unbind() const
{
    glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, 0);
}

bool transform_feedback_t::allocate()
{
    // Decided here rather than at construction: a renderer is built before
    // the GL entry points are loaded, when no version flag is known yet.
    if (name_ == 0)
        useObject_ = mode_ == UseObject || (mode_ == Auto && GLEW_VERSION_4_0);
    if (!useObject_) {
        name_ = 1; // the default transform feedback
        return true;
    }
    if (name_ == 0)
        glGenTransformFeedbacks(1, &name_);
    if (name_ == 0)
        return false;
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, name_);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    return true;
}

void transform_feedback_t::setVaryings(GLuint program, GLsizei count, const char* const* names)
{
    if (useObject_)
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, name_);
    glTransformFeedbackVaryings(program, count, names, GL_INTERLEAVED_ATTRIBS);
    if (useObject_)
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
}

void transform_feedback_t::begin(GLenum primitiveMode, const feedback_buffer_t& buffer)
{
    checkGL("transform_feedback_t::begin(0)");
    if (buffer.name() == 0)
        return;
    if (useObject_)
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, name_);
    checkGL("transform_feedback_t::begin(1)");
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer.name());
    checkGL("transform_feedback_t::begin(2)");
    glBeginTransformFeedback(primitiveMode);
    active_ = !checkGL("transform_feedback_t::begin(3)");
}

void transform_feedback_t::end()
{
    checkGL("transform_feedback_t::end(0)");
    // Ending a capture that never began is a GL error; begin() may have
    // returned early for an unnamed buffer.
    if (active_)
        glEndTransformFeedback();
    active_ = false;
    checkGL("transform_feedback_t::end(1)");
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
    checkGL("transform_feedback_t::end(4)");
    if (GLEW_VERSION_4_0)
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
}

void transform_feedback_t::release()
{
    if (useObject_ && name_ != 0)
        glDeleteTransformFeedbacks(1, &name_);
    name_ = 0;
}

} // namespace vyk3d
