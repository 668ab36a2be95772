#pragma once

// Filling a polygon surface in tests, as the readers do: vertex data,
// elements and tangent frames written through the surface's mapped GL
// buffers, then update(). A failure is a fatal test failure.

#include "foundation/math.h"
#include "gl/scoped_map.h"
#include "model/polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace vyktest
{

// `stride` floats a vertex in `vertices`: 3 gives positions (the rest of each
// 9-float record is 0), 9 whole records. `frames` (9 floats a vertex) may be
// empty for zero frames. Needs a current GL context.
inline void fillPolygon(vyk3d::polygon_t& p, const std::vector<float>& vertices, size_t stride,
                        const std::vector<uint32_t>& elements, const std::vector<float>& frames = {},
                        vyk3d::polygon_t::buffers_t buffers = vyk3d::polygon_t::buffers_t::All)
{
    const size_t n = vertices.size() / stride;
    ASSERT_TRUE(p.allocate(n, elements.size(), buffers));
    {
        vyk3d::scoped_map_t<float> v(p.vertices), f(p.normals);
        ASSERT_TRUE(v && f);
        std::fill(v.get(), v.get() + 9 * n, 0.0f);
        std::fill(f.get(), f.get() + 9 * n, 0.0f);
        for (size_t i = 0; i < vertices.size(); ++i)
            v[i / stride * 9 + i % stride] = vertices[i];
        std::copy(frames.begin(), frames.end(), f.get());
        if (!elements.empty()) {
            vyk3d::scoped_map_t<uint32_t> e(p.elements);
            ASSERT_TRUE(e);
            std::copy(elements.begin(), elements.end(), e.get());
        }
    }
    p.update("made");
}

// A quad from (x0, y0) to (x1, y1) in the plane z, one colour, frames facing
// +z, as one strip 0, 1, 2, 3: triangle 0 is the upper-left half, triangle 1
// the lower-right half. `extra` more vertices (copies of vertex 0) follow
// the four, so that vertex counts can differ.
inline void makeQuad(vyk3d::polygon_t& p, float x0, float y0, float x1, float y1, float z, col3a c, uint64_t extra = 0)
{
    const float corners[4][4] = {{x0, y1, 0, 1}, {x0, y0, 0, 0}, {x1, y1, 1, 1}, {x1, y0, 1, 0}};
    std::vector<float> records, frames;
    for (uint64_t k = 0; k < 4 + extra; ++k) {
        const float* q = corners[k < 4 ? k : 0];
        records.insert(records.end(), {q[0], q[1], z, c.r, c.g, c.b, c.a, q[2], q[3]});
        frames.insert(frames.end(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
    }
    fillPolygon(p, records, 9, {0, 1, 2, 3}, frames);
}

// The feedback program's frame from one vertex's two work frames (T1, B1,
// T2, B2): normal = normalize(T1 x B1 + T2 x B2), tangent = normalize(T1 +
// T2), binormal = normal x tangent; returned as tangent, binormal, normal.
inline std::array<float, 9> cpuFrame(const float* wk)
{
    const auto d = [&](int i) { return dir3{wk[i], wk[i + 1], wk[i + 2]}; };
    const dir3 n = divideByLength(cross(d(0), d(3)) + cross(d(6), d(9)));
    const dir3 t = divideByLength(d(0) + d(6));
    const dir3 b = cross(n, t);
    return {t.x, t.y, t.z, b.x, b.y, b.z, n.x, n.y, n.z};
}

} // namespace vyktest
