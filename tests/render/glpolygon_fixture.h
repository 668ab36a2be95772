#pragma once

// Shared by the renderer tests: an off-screen colour target to read pixels
// from, and quads built as polygon surfaces.

#include "foundation/math.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "render/scoped_map.h"

#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>

namespace rendertest
{

// A 64 x 64 RGBA8 framebuffer object, bound while the object lives.
class Target
{
  public:
    static constexpr int size = 64;
    Target()
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
    ~Target()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(1, &colour_);
        glDeleteFramebuffers(1, &fbo_);
        glViewport(oldViewport_[0], oldViewport_[1], oldViewport_[2], oldViewport_[3]);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    bool complete() const { return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE; }
    // Pixel at window coordinates (x to the right, y upward).
    std::array<int, 4> pixel(int x, int y) const
    {
        uint8_t p[4] = {0, 0, 0, 0};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2], p[3]};
    }

  private:
    GLuint fbo_ = 0, colour_ = 0;
    GLint oldViewport_[4] = {0, 0, 0, 0};
};

// A quad from (x0, y0) to (x1, y1) in the plane z, one colour, frames facing
// +z, as one strip 0, 1, 2, 3: triangle 0 is the upper-left half, triangle 1
// the lower-right half. `extra` more vertices are allocated behind the four
// (copies of vertex 0) so that vertex counts can differ.
inline bool makeQuad(vyk3d::polygon_t& p, float x0, float y0, float x1, float y1, float z, col3a c, uint64_t extra = 0)
{
    const uint64_t count = 4 + extra;
    if (!p.allocate(count, 4))
        return false;
    {
        vyk3d::scoped_map_t<float> v(p.vertices);
        vyk3d::scoped_map_t<float> n(p.normals);
        vyk3d::scoped_map_t<uint32_t> e(p.elements);
        if (!v || !n || !e)
            return false;
        const float corners[4][4] = {{x0, y1, 0, 1}, {x0, y0, 0, 0}, {x1, y1, 1, 1}, {x1, y0, 1, 0}};
        for (uint64_t k = 0; k < count; ++k) {
            const float* q = corners[k < 4 ? k : 0];
            const float rec[9] = {q[0], q[1], z, c.r, c.g, c.b, c.a, q[2], q[3]};
            const float frame[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            for (int i = 0; i < 9; ++i) {
                v[9 * k + i] = rec[i];
                n[9 * k + i] = frame[i];
            }
        }
        for (uint32_t k = 0; k < 4; ++k)
            e[k] = k;
    }
    p.update("quad");
    return true;
}

// Writes the six faces of a white 1 x 1 cube map as "sky_posx.bmp" ... into
// `dir` and opens it as `environment` of a scene file in `dir`.
inline bool whiteCube(const std::string& dir, vyk3d::environment_t& environment)
{
    static const unsigned char bmp[58] = {
        'B',  'M',  58,  0, 0,    0,    0, 0, 0, 0, 54, 0, 0, 0,       // file header: size 58, pixels at 54
        40,   0,    0,   0, 1,    0,    0, 0, 1, 0, 0,  0,             // info header: 40 bytes, 1 x 1
        1,    0,    24,  0, 0,    0,    0, 0, 4, 0, 0,  0,             // 1 plane, 24 bits, no compression, 4 bytes
        0x13, 0x0B, 0,   0, 0x13, 0x0B, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, // resolution, no palette
        255,  255,  255, 0,                                            // one white pixel (BGR) and row padding
    };
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"}) {
        std::ofstream out(dir + "/sky_" + face + ".bmp", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bmp), sizeof bmp);
        if (!out)
            return false;
    }
    environment.name = "sky.bmp";
    return environment.initex((dir + "/scene.vyk").c_str());
}

} // namespace rendertest
