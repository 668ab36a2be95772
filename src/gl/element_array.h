#pragma once

// Unsigned 32-bit vertex indices in one GL element buffer; 0xFFFFFFFF is the
// primitive-restart index that separates triangle strips. Copies share the
// GL buffer. Every operation needs a current GL context.

#include "gl/buffer.h"
#include "gl/vertex_array.h"

#include <GL/glew.h>

#include <cstdint>
#include <memory>

namespace vyk3d
{

constexpr uint32_t restartIndex = 0xFFFFFFFFu;

class element_array_t
{
  public:
    element_array_t() = default;
    ~element_array_t() { release(); }
    element_array_t(const element_array_t&) = default;
    element_array_t& operator=(const element_array_t&) = default;

    // Reserves room for `count` indices. Re-allocating to the current count
    // keeps the contents and touches no GL store; otherwise the contents are
    // undefined until rewritten. False when GL cannot reserve the store.
    bool allocate(uint64_t count);
    // Holds the indices of `triangles` separate triangles: 3k, 3k+1, 3k+2
    // and the restart index for triangle k. The store is made and written
    // only when the indices are first used (mapped, drawn, copied or
    // extended), so a mesh drawn as a plain triangle list never pays for
    // them. False, changing nothing, for a count that cannot be indexed.
    bool allocateTriangleList(uint64_t triangles);
    // The triangles of allocateTriangleList whose indices are not made yet.
    uint64_t pendingTriangles() const { return buffer_ && !buffer_->generated() ? pendingTriangles_ : 0; }
    // Sets the count, growing the store on the GPU to four times the needed
    // bytes when it is too small; indices in use are kept.
    bool extend(uint64_t count);

    // Maps the whole capacity. Null (with "element object is not allocated."
    // or "element pointer is NULL.") when there is no store; null quietly for
    // an empty store. Prefer scoped_map_t<uint32_t>.
    uint32_t* map(GLbitfield access = GL_MAP_READ_BIT | GL_MAP_WRITE_BIT);
    void unmap();

    // Makes this hold exactly `other`'s count of indices, copied.
    bool copyFrom(const element_array_t& other);

    // glDrawElements(mode, count) through `vao`; nothing without a buffer.
    // Callers enable primitive restart around it. The indices must be below
    // the vertex count of the arrays laid onto `vao`.
    void draw(const vertex_array_t& vao, GLenum mode) const;

    void release();

    int64_t capacity() const { return capacity_; }
    uint64_t count() const { return count_; }
    uint64_t bytesInUse() const { return count_ * 4; }
    GLuint bufferName() const;

  private:
    // Makes the store of pending triangles; false when GL has no room.
    bool makePending() const;

    std::shared_ptr<buffer_t> buffer_;
    mutable uint64_t pendingTriangles_ = 0;
    int64_t capacity_ = 0;
    uint64_t count_ = 0;
};

} // namespace vyk3d
