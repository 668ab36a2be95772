#include "gl/buffer.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"
#include "foundation/resident_heap.h"
#include "gl/software_driver.h"

#include <cstdio>

namespace vyk3d
{

void buffer_t::generate(GLenum target)
{
    if (!generated_) {
        glGenBuffers(1, &name_);
        generated_ = true;
    }
    target_ = target;
}

void buffer_t::release()
{
    if (generated_) {
        glDeleteBuffers(1, &name_);
        name_ = 0;
        generated_ = false;
    }
}

GLuint buffer_t::name() const
{
    return generated_ ? name_ : 0;
}

void buffer_t::bind() const
{
    glBindBuffer(target_, name_);
}

void buffer_t::unbind() const
{
    glBindBuffer(target_, 0);
}

void* buffer_t::MapBufferRange(GLintptr offset, GLsizeiptr length, GLbitfield access)
{
    bind();
    void* ptr = glMapBufferRange(target_, offset, length, access);
    unbind();
    if (ptr == nullptr) {
        libutils::report("buffer_t::MapBufferRange(): ptr is NULL.\n");
    }
    return ptr;
}

void buffer_t::unmap()
{
    bind();
    glUnmapBuffer(target_);
    unbind();
}

namespace
{

// The driver's own bytes beside a store: its alignment and padding.
constexpr uint64_t kStoreSlack = uint64_t(1) << 20;

} // namespace

void reserveStore(GLenum target, GLsizeiptr bytes)
{
    const bool large = uint64_t(bytes) >= kReserveMinimum;
    heap_reserve_t resident(large && softwareRasteriser() ? uint64_t(bytes) + kStoreSlack : 0);
    glBufferData(target, bytes, nullptr, GL_DYNAMIC_DRAW);
}

// The array's own buffer is bound at GL_COPY_WRITE_BUFFER while copying, so
// an element buffer never touches the element binding of a bound VAO.
bool growBufferStore(buffer_t& buffer, GLsizeiptr newBytes, GLsizeiptr keepBytes)
{
    buffer_t temp;
    if (keepBytes > 0) {
        temp.generate(GL_COPY_READ_BUFFER);
        if (temp.name() == 0)
            return false;
        temp.bind();
        glBufferData(GL_COPY_READ_BUFFER, keepBytes, nullptr, GL_STATIC_COPY);
        glBindBuffer(GL_COPY_WRITE_BUFFER, buffer.name());
        glCopyBufferSubData(GL_COPY_WRITE_BUFFER, GL_COPY_READ_BUFFER, 0, 0, keepBytes);
        if (checkGL("buffer_t::grow(1)")) {
            glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
            temp.unbind();
            return false;
        }
    }
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer.name());
    reserveStore(GL_COPY_WRITE_BUFFER, newBytes);
    bool failed = checkGL("buffer_t::grow(2)");
    if (!failed && keepBytes > 0) {
        glCopyBufferSubData(GL_COPY_READ_BUFFER, GL_COPY_WRITE_BUFFER, 0, 0, keepBytes);
        failed = checkGL("buffer_t::grow(3)");
    }
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    if (keepBytes > 0)
        temp.unbind();
    return !failed;
}

int64_t storeBytes(const buffer_t& buffer)
{
    if (!buffer.generated() || buffer.name() == 0)
        return 0;
    GLint64 size = 0;
    glBindBuffer(GL_COPY_READ_BUFFER, buffer.name());
    glGetBufferParameteri64v(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return size;
}

void copyBufferStore(GLuint from, GLuint to, GLsizeiptr bytes)
{
    if (bytes <= 0)
        return;
    glBindBuffer(GL_COPY_READ_BUFFER, from);
    glBindBuffer(GL_COPY_WRITE_BUFFER, to);
    glCopyBufferSubData(GL_COPY_READ_BUFFER, GL_COPY_WRITE_BUFFER, 0, 0, bytes);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    checkGL("buffer_t::copy(end)");
}

} // namespace vyk3d
