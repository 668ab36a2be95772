#pragma once

// One GL buffer object with its binding target. Needs a current GL context
// for every operation. The name is created lazily by generate().

#include <GL/glew.h>

#include <cstdint>
#include <utility>

namespace vyk3d
{

class buffer_t
{
  public:
    buffer_t() = default;
    ~buffer_t() { release(); }
    // Move-only: a move leaves the source without an object.
    buffer_t(buffer_t&& other) noexcept { swap(other); }
    buffer_t& operator=(buffer_t&& other) noexcept
    {
        buffer_t(std::move(other)).swap(*this);
        return *this;
    }

    // Asks GL for a name once (the mark is set whatever GL returned); the
    // target is stored in every case.
    void generate(GLenum target);
    // Deletes the GL buffer if one was generated; the wrapper is reusable.
    void release();

    // The GL name, or 0 (no object, as GL has it) when never generated.
    GLuint name() const;
    GLenum target() const { return target_; }
    bool generated() const { return generated_; }

    void bind() const;
    void unbind() const;

    // Binds, maps the range, unbinds; the buffer stays mapped. A null result
    // prints "buffer_t::MapBufferRange(): ptr is NULL." and is returned.
    void* MapBufferRange(GLintptr offset, GLsizeiptr length, GLbitfield access);
    void unmap();

  private:
    void swap(buffer_t& other) noexcept
    {
        std::swap(name_, other.name_);
        std::swap(target_, other.target_);
        std::swap(generated_, other.generated_);
    }
    GLuint name_ = 0;
    GLenum target_ = 0;
    bool generated_ = false;
};

// Reserves a store of `bytes` without data (GL_DYNAMIC_DRAW) for the buffer
// bound at `target`. Where the driver keeps its stores in this process's
// memory (Mesa's software rasterisers), a large store is made resident on
// every core first (see foundation/resident_heap.h).
void reserveStore(GLenum target, GLsizeiptr bytes);

// Re-reserves `buffer`'s store as `newBytes` (GL_DYNAMIC_DRAW) keeping its
// first `keepBytes` bytes, copying through a temporary buffer on the GPU.
// False, with the old store kept, when no temporary buffer can be had; false
// when GL cannot reserve the new store (its contents are then lost).
bool growBufferStore(buffer_t& buffer, GLsizeiptr newBytes, GLsizeiptr keepBytes);

// The size of `buffer`'s GL store in bytes (0 without one).
int64_t storeBytes(const buffer_t& buffer);

// Copies `bytes` bytes from the start of one GL buffer to the start of
// another on the GPU (both must be at least that large).
void copyBufferStore(GLuint from, GLuint to, GLsizeiptr bytes);

} // namespace vyk3d
