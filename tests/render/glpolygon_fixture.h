#pragma once

// Shared by the renderer tests: the renderers made once per process, quads
// built as polygon surfaces, and a white cube map.

#include "foundation/math.h"
#include "gl/scoped_map.h"
#include "model/environment.h"
#include "model/polygon.h"
#include "render/glmorph.h"
#include "render/glpolygon.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "textures/bmp.h"
#include "textures/image_fixtures.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace rendertest
{

using Target = vyktest::OffscreenTarget;

// Built on first use and kept, as the viewer keeps them; the caller has made
// the context current.
template <class Renderer> Renderer& renderer()
{
    static Renderer* r = nullptr;
    if (r == nullptr) {
        r = new Renderer;
        EXPECT_TRUE(r->init(""));
    }
    return *r;
}

// Each colour component of pixel (x, y) within 3 of `want`.
inline void expectPixel(const Target& t, int x, int y, std::array<int, 3> want)
{
    const std::array<int, 4> p = t.pixel(x, y);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(p[k], want[k], 3) << "pixel " << x << "," << y << " component " << k;
}

// The feedback program's frame from one vertex's two work frames (T1, B1,
// T2, B2): normal = normalize(T1 x B1 + T2 x B2), tangent = normalize(T1 +
// T2), binormal = normal x tangent; returned as tangent, binormal, normal.
inline std::array<float, 9> cpuFrame(const float* wk)
{
    const auto cross = [](const float* a, const float* b, float* out) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    const auto normalize = [](float* v) {
        const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int k = 0; len > 0 && k < 3; ++k)
            v[k] /= len;
    };
    std::array<float, 9> f;
    float c1[3], c2[3];
    cross(wk + 0, wk + 3, c1);
    cross(wk + 6, wk + 9, c2);
    for (int k = 0; k < 3; ++k) {
        f[6 + k] = c1[k] + c2[k];
        f[k] = wk[k] + wk[6 + k];
    }
    normalize(&f[6]);
    normalize(&f[0]);
    cross(&f[6], &f[0], &f[3]);
    return f;
}

// Allocates and fills a polygon as the readers do: vertex records (nine
// floats each), frames (nine each; zeros where missing), elements; then
// update. False after a failed assertion.
inline bool fillPolygon(vyk3d::polygon_t& p, const std::vector<float>& records, const std::vector<float>& frames,
                        const std::vector<uint32_t>& elements)
{
    vyktest::fillPolygon(p, records, 9, elements, frames);
    return !testing::Test::HasFatalFailure();
}

// A quad from (x0, y0) to (x1, y1) in the plane z, one colour, frames facing
// +z, as one strip 0, 1, 2, 3: triangle 0 is the upper-left half, triangle 1
// the lower-right half. `extra` more vertices are allocated behind the four
// (copies of vertex 0) so that vertex counts can differ.
inline bool makeQuad(vyk3d::polygon_t& p, float x0, float y0, float x1, float y1, float z, col3a c, uint64_t extra = 0)
{
    const float corners[4][4] = {{x0, y1, 0, 1}, {x0, y0, 0, 0}, {x1, y1, 1, 1}, {x1, y0, 1, 0}};
    std::vector<float> records, frames;
    for (uint64_t k = 0; k < 4 + extra; ++k) {
        const float* q = corners[k < 4 ? k : 0];
        records.insert(records.end(), {q[0], q[1], z, c.r, c.g, c.b, c.a, q[2], q[3]});
        frames.insert(frames.end(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
    }
    return fillPolygon(p, records, frames, {0, 1, 2, 3});
}

// Writes the six faces of a white 1 x 1 cube map as "sky_posx.bmp" ... into
// `dir` and opens it as `environment` of a scene file in `dir`.
inline bool whiteCube(const std::string& dir, vyk3d::environment_t& environment)
{
    const libgr::grImage2D white =
        imgtest::makeImage({libgr::grFmtBGR, libgr::grTypeUINT, libgr::grBits8}, 1, 1, "\xff\xff\xff");
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"})
        if (!libgr::bmpSave(white, (dir + "/sky_" + face + ".bmp").c_str()))
            return false;
    environment.name = "sky.bmp";
    return environment.initex((dir + "/scene.vyk").c_str());
}

} // namespace rendertest
