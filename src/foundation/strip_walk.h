#pragma once
// The walk over triangle strips that the surface tables, the STL writer and
// the pick share. A template, so the callbacks inline into the loop: it runs
// over every element of meshes of millions of triangles.

#include <cstdint>

// A run of indices below vertexCount closes a triangle at each index from
// its third on: (e[i-2], e[i-1], e[i]) at odd run lengths and (e[i-1],
// e[i-2], e[i]) at even ones (flipped), so every triangle keeps the strip's
// winding. Any other index ends the run: the restart index 0xFFFFFFFF, and a
// bad index as well, so a bad index can never join two strips. Calls
// triangle(i, a, b, c, flipped) for each triangle, in order, and endStrip(i)
// for each index that ends a run. Returns the number of triangles.
template <class Triangle, class EndStrip>
inline uint64_t walkStripTriangles(const uint32_t* elements, uint64_t count, uint64_t vertexCount, Triangle&& triangle,
                                   EndStrip&& endStrip)
{
    uint64_t run = 0, triangles = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint32_t c = elements[i];
        if (c >= vertexCount) {
            run = 0;
            endStrip(i);
            continue;
        }
        if (++run < 3)
            continue;
        const bool flipped = (run & 1) == 0;
        triangle(i, flipped ? elements[i - 1] : elements[i - 2], flipped ? elements[i - 2] : elements[i - 1], c,
                 flipped);
        ++triangles;
    }
    return triangles;
}

template <class Triangle>
inline uint64_t walkStripTriangles(const uint32_t* elements, uint64_t count, uint64_t vertexCount, Triangle&& triangle)
{
    return walkStripTriangles(elements, count, vertexCount, triangle, [](uint64_t) {});
}
