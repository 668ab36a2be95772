#pragma once

// Reading GL results back in tests: an off-screen colour target to read
// pixels from, and the contents of a buffer through a mapping.

#include "gl/scoped_map.h"
#include "textures/texture_object.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vyktest
{

// A size x size RGBA8 framebuffer object, cleared to opaque black; it and
// its viewport stay bound while the object lives.
class OffscreenTarget
{
  public:
    explicit OffscreenTarget(int size = 64) : size_(size)
    {
        glGetIntegerv(GL_VIEWPORT, oldViewport_);
        glGenFramebuffers(1, &fbo_);
        glGenRenderbuffers(1, &colour_);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size, size);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
        glViewport(0, 0, size, size);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    ~OffscreenTarget()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(1, &colour_);
        glDeleteFramebuffers(1, &fbo_);
        glViewport(oldViewport_[0], oldViewport_[1], oldViewport_[2], oldViewport_[3]);
    }
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    // Pixel at window coordinates (x to the right, y upward).
    std::array<int, 4> pixel(int x, int y) const
    {
        uint8_t p[4] = {0, 0, 0, 0};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2], p[3]};
    }
    // Every pixel, bottom row first, RGBA bytes.
    std::vector<uint8_t> pixels() const
    {
        std::vector<uint8_t> rgba(size_t(size_) * size_ * 4);
        glReadPixels(0, 0, size_, size_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    // Each colour component of pixel (x, y) within 3 of `want`.
    void expectPixel(int x, int y, std::array<int, 3> want) const
    {
        const std::array<int, 4> p = pixel(x, y);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(p[k], want[k], 3) << "pixel " << x << "," << y << " component " << k;
    }

  private:
    int size_;
    GLuint fbo_ = 0, colour_ = 0;
    GLint oldViewport_[4] = {0, 0, 0, 0};
};

// The first `n` values of a GL array (attribute, element or feedback
// buffer) through a read mapping; empty when it cannot be mapped.
template <class T, class Array> std::vector<T> readBuffer(Array& array, size_t n)
{
    if (n == 0)
        return {};
    vyk3d::scoped_map_t<const T> p(array, GL_MAP_READ_BIT);
    if (!p)
        return {};
    return std::vector<T>(p.get(), p.get() + n);
}

// A level of a texture object (of one face of a cube map) read back from
// GL as RGBA bytes, bottom row first; "(no read-back)" when it cannot be.
inline std::string texelsOf(const libgr::grTextureObject* obj, int level = 0, GLenum face = 0,
                            libgr::grPixelFormat* format = nullptr)
{
    libgr::grImage2D img;
    if (!obj || !obj->GetTextureImageDirect(level, img, face))
        return "(no read-back)";
    if (format)
        *format = img.format;
    return std::string(reinterpret_cast<const char*>(img.data()), size_t(img.width) * img.height * 4);
}

} // namespace vyktest
