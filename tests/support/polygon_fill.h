#pragma once

// Filling a polygon surface in tests: vertex data, elements and tangent
// frames written through the surface's mapped GL buffers, then update().

#include "gl/scoped_map.h"
#include "model/polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vyktest
{

// `stride` floats a vertex in `vertices`: 3 gives positions (the rest of each
// 9-float record is 0), 9 whole records. `frames` (9 floats a vertex) may be
// empty for zero frames. Needs a current GL context.
inline void fillPolygon(vyk3d::polygon_t& p, const std::vector<float>& vertices, size_t stride,
                        const std::vector<uint32_t>& elements, const std::vector<float>& frames = {})
{
    const size_t n = vertices.size() / stride;
    ASSERT_TRUE(p.allocate(n, elements.size()));
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

} // namespace vyktest
