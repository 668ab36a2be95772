#pragma once

// Interleaved per-vertex records in one GL array buffer, described by a
// vertex format. Copies share the GL buffer (the last owner deletes it).
// Every operation needs a current GL context.

#include "gl/buffer.h"
#include "gl/vertex_array.h"
#include "gl/vertex_format.h"

#include <GL/glew.h>

#include <cstdint>
#include <memory>

namespace vyk3d
{

class attribute_array_t
{
  public:
    attribute_array_t() = default;
    ~attribute_array_t() { release(); }
    attribute_array_t(const attribute_array_t&) = default;
    attribute_array_t& operator=(const attribute_array_t&) = default;

    // Reserves room for `count` records of `format` (GL_DYNAMIC_DRAW) and,
    // when `data` is given, uploads min(bytes in use, dataBytes) bytes of it
    // (all bytes in use when dataBytes is 0). The capacity never shrinks.
    // Returns false, changing nothing, when the format has more kinds than
    // GL_MAX_VERTEX_ATTRIBS; false when GL cannot reserve the store (the GL
    // error check prints the error).
    bool allocate(uint64_t count, const vertex_format_t& format, const void* data = nullptr, uint64_t dataBytes = 0);
    // Sets the record count, growing the store on the GPU to four times the
    // needed bytes when it is too small; contents in use are kept. False
    // without a buffer, or when the temporary copy buffer cannot be had.
    bool extend(uint64_t count);
    bool hasRoom(uint64_t count) const;

    // Maps the whole capacity. Null (with "array buffer is not allocated." or
    // "array pointer is NULL.") when there is no store; null quietly for an
    // empty store. Prefer scoped_map_t.
    void* map(GLbitfield access = GL_MAP_READ_BIT | GL_MAP_WRITE_BIT);
    void unmap();

    // Uploads the bytes in use (stride x count x 4) from `data`.
    void uploadAll(const void* data);
    // One record (stride x 4 bytes) at `index`; an index not below count is
    // ignored (writeRecord) or leaves `data` untouched (readRecord).
    void writeRecord(uint64_t index, const void* data);
    void readRecord(uint64_t index, void* data) const;
    // Makes this an independent copy of `other`'s records in use, in its own
    // GL buffer (copying on the GPU).
    bool copyFrom(const attribute_array_t& other);

    // Drops the buffer reference; count and capacity become 0.
    void release();

    // Lays this array's kinds onto locations base, base+1, ... of `vao`.
    // Nothing when there is no buffer or `vao` was not created.
    // Record `first` is then vertex 0 of a draw through `vao`.
    void bindAttributes(const vertex_array_t& vao, GLuint base, uint64_t first = 0) const;

    int64_t capacity() const { return capacity_; }
    uint64_t count() const { return count_; }
    uint32_t stride() const { return stride_; }
    // stride x count x 4: what uploads, copies and readers may touch.
    uint64_t bytesInUse() const { return uint64_t(stride_) * count_ * 4; }
    const vertex_format_t& format() const { return format_; }
    // The GL buffer name, 0 when there is none.
    GLuint bufferName() const;

  private:
    bool grow(uint64_t bytes, uint64_t keepBytes);

    std::shared_ptr<buffer_t> buffer_;
    int64_t capacity_ = 0;
    uint64_t count_ = 0;
    uint32_t stride_ = 0;
    vertex_format_t format_;
};

} // namespace vyk3d
