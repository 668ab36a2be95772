#include "gl/vertex_array.h"

namespace vyk3d
{

vertex_array_t::holder_t::~holder_t()
{
    if (generated)
        glDeleteVertexArrays(1, &name);
}

void vertex_array_t::create()
{
    if (!holder_)
        holder_ = std::make_shared<holder_t>();
    if (!holder_->generated) {
        glGenVertexArrays(1, &holder_->name);
        holder_->generated = true;
    }
}

GLuint vertex_array_t::name() const
{
    return holder_ && holder_->generated ? holder_->name : 0;
}

void vertex_array_t::bind() const
{
    if (holder_)
        glBindVertexArray(holder_->name);
}

void vertex_array_t::unbind() const
{
    glBindVertexArray(0);
}

void vertex_array_t::drawArrays(GLenum mode, GLsizei count) const
{
    if (!holder_)
        return;
    bind();
    glDrawArrays(mode, 0, count);
    unbind();
}

} // namespace vyk3d
