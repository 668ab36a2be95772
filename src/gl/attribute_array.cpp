#include "gl/attribute_array.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"

#include <algorithm>
#include <cstdio>

namespace vyk3d
{

namespace
{

// Largest byte count a GL buffer can be asked for (GLsizeiptr is signed).
constexpr uint64_t maxBytes = uint64_t(INT64_MAX) / 4;

void say(const char* text)
{
    libutils::report(std::string(text) + "\n");
}

} // namespace

GLuint attribute_array_t::bufferName() const
{
    return buffer_ && buffer_->generated() ? buffer_->name() : 0;
}

bool attribute_array_t::allocate(uint64_t count, const vertex_format_t& format, const void* data, uint64_t dataBytes)
{
    GLint maxAttribs = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &maxAttribs);
    if (format.size() > uint64_t(std::max(maxAttribs, 0)))
        return false;
    const uint32_t stride = formatStride(format);
    // A count from a file must not wrap the byte size around.
    if (stride != 0 && count > maxBytes / (uint64_t(stride) * 4))
        return false;

    checkGL("attribute_array_t::allocate(0)");
    if (!buffer_)
        buffer_ = std::make_shared<buffer_t>();
    buffer_->generate(GL_ARRAY_BUFFER);
    stride_ = stride;
    if (format_.data() != format.data())
        format_ = format; // shares the caller's format
    count_ = count;
    capacity_ = std::max<int64_t>(int64_t(bytesInUse()), capacity_);

    buffer_->bind();
    reserveStore(GL_ARRAY_BUFFER, capacity_);
    if (checkGL("attribute_array_t::allocate(1)")) {
        // No store: nothing may be mapped or drawn from it.
        buffer_->unbind();
        count_ = 0;
        capacity_ = 0;
        return false;
    }
    if (data != nullptr) {
        // Only the bytes in use: the capacity may be larger than the caller's data.
        uint64_t bytes = bytesInUse();
        if (dataBytes != 0)
            bytes = std::min(bytes, dataBytes);
        glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes), data);
    }
    buffer_->unbind();
    checkGL("attribute_array_t::allocate(end)");
    return true;
}

bool attribute_array_t::extend(uint64_t count)
{
    if (!buffer_)
        return false;
    if (count == count_)
        return true;
    if (stride_ != 0 && count > maxBytes / (uint64_t(stride_) * 16))
        return false;
    const uint64_t need = uint64_t(stride_) * count * 4;
    if (uint64_t(capacity_) < need) {
        const uint64_t keep = std::min<uint64_t>(bytesInUse(), uint64_t(capacity_));
        if (!growBufferStore(*buffer_, GLsizeiptr(need * 4), GLsizeiptr(keep))) {
            // Whatever store survived is what may be touched from now on.
            capacity_ = storeBytes(*buffer_);
            if (!hasRoom(count_))
                count_ = stride_ != 0 ? uint64_t(capacity_) / (uint64_t(stride_) * 4) : 0;
            return false;
        }
        capacity_ = int64_t(need * 4);
    }
    count_ = count;
    return true;
}

bool attribute_array_t::hasRoom(uint64_t count) const
{
    return uint64_t(capacity_) >= uint64_t(stride_) * count * 4;
}

void* attribute_array_t::map(GLbitfield access)
{
    if (!buffer_ || !buffer_->generated()) {
        say("array buffer is not allocated.");
        return nullptr;
    }
    if (capacity_ == 0)
        return nullptr;
    void* ptr = buffer_->MapBufferRange(0, capacity_, access);
    if (ptr == nullptr)
        say("array pointer is NULL.");
    return ptr;
}

void attribute_array_t::unmap()
{
    if (buffer_)
        buffer_->unmap();
}

void attribute_array_t::uploadAll(const void* data)
{
    if (!buffer_ || data == nullptr || bytesInUse() == 0)
        return;
    buffer_->bind();
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytesInUse()), data);
    buffer_->unbind();
}

void attribute_array_t::writeRecord(uint64_t index, const void* data)
{
    if (!buffer_ || index >= count_)
        return;
    buffer_->bind();
    glBufferSubData(GL_ARRAY_BUFFER, GLintptr(index * stride_ * 4), GLsizeiptr(stride_) * 4, data);
    buffer_->unbind();
}

void attribute_array_t::readRecord(uint64_t index, void* data) const
{
    if (!buffer_ || index >= count_)
        return;
    buffer_->bind();
    glGetBufferSubData(GL_ARRAY_BUFFER, GLintptr(index * stride_ * 4), GLsizeiptr(stride_) * 4, data);
    buffer_->unbind();
}

bool attribute_array_t::copyFrom(const attribute_array_t& other)
{
    if (&other == this)
        return true;
    // A fresh buffer, so that arrays sharing the old one keep their data.
    const std::shared_ptr<buffer_t> source = other.buffer_;
    const uint64_t count = other.count_;
    const vertex_format_t format = other.format_;
    release();
    if (!source || !source->generated())
        return true;
    if (!allocate(count, format))
        return false;
    copyBufferStore(source->name(), bufferName(), GLsizeiptr(bytesInUse()));
    return true;
}

void attribute_array_t::release()
{
    buffer_.reset();
    count_ = 0;
    capacity_ = 0;
}

void attribute_array_t::bindAttributes(const vertex_array_t& vao, GLuint base, uint64_t first) const
{
    const GLuint name = bufferName();
    if (name == 0 || !vao.created())
        return;
    GLint maxAttribs = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &maxAttribs);
    vao.bind();
    glBindBuffer(GL_ARRAY_BUFFER, name);
    uint64_t offset = first * stride_;
    for (size_t i = 0; i < format_.size(); ++i) {
        const element_t kind = format_[i];
        const GLuint location = base + GLuint(i);
        const uint32_t words = elementWords(kind);
        // Kinds without a GL type (and wider than a vec4) cannot be fed to a
        // vertex attribute; they only take their room in the record.
        if (elementType(kind) != 0 && words >= 1 && words <= 4 && location < GLuint(maxAttribs)) {
            glEnableVertexAttribArray(location);
            glVertexAttribPointer(location, GLint(words), elementType(kind),
                                  elementNormalized(kind) ? GL_TRUE : GL_FALSE, GLsizei(stride_ * 4),
                                  reinterpret_cast<const void*>(uintptr_t(offset * 4)));
        }
        offset += words;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    vao.unbind();
    checkGL("attribute_array_t::bindAttributes(end)");
}

} // namespace vyk3d
