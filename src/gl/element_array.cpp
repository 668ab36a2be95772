#include "gl/element_array.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace vyk3d
{

namespace
{

constexpr uint64_t maxCount = uint64_t(INT64_MAX) / 16;

void say(const char* text)
{
    libutils::report(std::string(text) + "\n");
}

} // namespace

GLuint element_array_t::bufferName() const
{
    makePending();
    return buffer_ && buffer_->generated() ? buffer_->name() : 0;
}

bool element_array_t::allocateTriangleList(uint64_t triangles)
{
    if (triangles >= restartIndex / 4)
        return false;
    if (triangles == 0)
        return allocate(0);
    release();
    buffer_ = std::make_shared<buffer_t>();
    count_ = 4 * triangles;
    capacity_ = int64_t(count_ * 4);
    pendingTriangles_ = triangles;
    return true;
}

bool element_array_t::makePending() const
{
    const uint64_t triangles = pendingTriangles();
    pendingTriangles_ = 0;
    if (triangles == 0)
        return true;
    // Copies share the buffer: whichever makes it first makes it for all.
    element_array_t& self = const_cast<element_array_t&>(*this);
    if (!self.allocate(triangles * 4))
        return false;
    uint32_t* e = self.map(GL_MAP_WRITE_BIT);
    if (!e)
        return false;
    for (uint64_t k = 0; k < triangles; ++k, e += 4) {
        const uint32_t base = uint32_t(3 * k);
        e[0] = base;
        e[1] = base + 1;
        e[2] = base + 2;
        e[3] = restartIndex;
    }
    self.unmap();
    return true;
}

bool element_array_t::allocate(uint64_t count)
{
    if (count > maxCount)
        return false;
    pendingTriangles_ = 0;
    checkGL("element_array_t::allocate(1)");
    const bool hadBuffer = buffer_ && buffer_->generated();
    if (!buffer_)
        buffer_ = std::make_shared<buffer_t>();
    buffer_->generate(GL_ELEMENT_ARRAY_BUFFER);
    // Same count: the store already fits, and its indices stay.
    if (hadBuffer && count == count_)
        return true;
    checkGL("element_array_t::allocate(2)");
    count_ = count;
    capacity_ = std::max<int64_t>(int64_t(count * 4), capacity_);
    buffer_->bind();
    reserveStore(GL_ELEMENT_ARRAY_BUFFER, capacity_);
    const bool failed = checkGL("element_array_t::allocate(3)");
    if (failed)
        libutils::reportf("elements: %llu\nbuffer_size: %lld\n", (unsigned long long)count_, (long long)capacity_);
    buffer_->unbind();
    checkGL("element_array_t::allocate(end)");
    if (failed) {
        count_ = 0;
        capacity_ = 0;
        return false;
    }
    return true;
}

bool element_array_t::extend(uint64_t count)
{
    if (count > maxCount || !makePending())
        return false;
    const uint64_t need = count * 4;
    if (uint64_t(capacity_) >= need) {
        count_ = count;
        return true;
    }
    if (!buffer_ || !buffer_->generated()) {
        count_ = count;
        capacity_ = int64_t(need * 4);
        return true;
    }
    const uint64_t keep = std::min<uint64_t>(bytesInUse(), uint64_t(capacity_));
    if (!growBufferStore(*buffer_, GLsizeiptr(need * 4), GLsizeiptr(keep))) {
        capacity_ = storeBytes(*buffer_);
        count_ = std::min<uint64_t>(count_, uint64_t(capacity_) / 4);
        return false;
    }
    capacity_ = int64_t(need * 4);
    count_ = count;
    return true;
}

uint32_t* element_array_t::map(GLbitfield access)
{
    makePending();
    if (!buffer_ || !buffer_->generated()) {
        say("element object is not allocated.");
        return nullptr;
    }
    if (capacity_ == 0)
        return nullptr;
    void* ptr = buffer_->MapBufferRange(0, capacity_, access);
    if (ptr == nullptr)
        say("element pointer is NULL.");
    return static_cast<uint32_t*>(ptr);
}

void element_array_t::unmap()
{
    if (buffer_)
        buffer_->unmap();
}

bool element_array_t::copyFrom(const element_array_t& other)
{
    if (&other == this)
        return true;
    // A fresh buffer, so that arrays sharing the old one keep their data.
    other.makePending();
    const std::shared_ptr<buffer_t> source = other.buffer_;
    const uint64_t count = other.count_;
    release();
    if (!allocate(count))
        return false;
    if (source && source->generated())
        copyBufferStore(source->name(), bufferName(), GLsizeiptr(count * 4));
    return true;
}

void element_array_t::draw(const vertex_array_t& vao, GLenum mode) const
{
    if (!buffer_ || !makePending())
        return;
    checkGL("element_array_t::draw(0)");
    vao.bind();
    checkGL("element_array_t::draw(1)");
    buffer_->bind();
    checkGL("element_array_t::draw(2)");
    glDrawElements(mode, GLsizei(std::min<uint64_t>(count_, INT_MAX)), GL_UNSIGNED_INT, nullptr);
    checkGL("element_array_t::draw(3)");
    buffer_->unbind();
    checkGL("element_array_t::draw(4)");
    vao.unbind();
    checkGL("element_array_t::draw(end)");
}

void element_array_t::release()
{
    buffer_.reset();
    pendingTriangles_ = 0;
    count_ = 0;
    capacity_ = 0;
}

} // namespace vyk3d
