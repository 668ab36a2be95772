#include "gl/vertex_array.h"

namespace vyk3d
{

void vertex_array_t::create()
{
    if (!created_) {
        glGenVertexArrays(1, &name_);
        created_ = true;
    }
}

void vertex_array_t::release()
{
    if (created_)
        glDeleteVertexArrays(1, &name_);
    name_ = 0;
    created_ = false;
}

void vertex_array_t::bind() const
{
    if (created_)
        glBindVertexArray(name_);
}

void vertex_array_t::unbind() const
{
    glBindVertexArray(0);
}

void vertex_array_t::drawArrays(GLenum mode, GLsizei count) const
{
    if (!created_)
        return;
    bind();
    glDrawArrays(mode, 0, count);
    unbind();
}

} // namespace vyk3d
