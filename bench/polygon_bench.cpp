// Costs of the polygon surface and GL array paths that run per load or per
// tessellation: allocate() of a 1M-triangle STL mesh with every array or
// with the drawing arrays only, update() (index guard, triangle tables,
// frame fill), growth by small extends, and re-allocation at the same
// element count.

#include "gl/attribute_array.h"
#include "gl/element_array.h"
#include "gl/scoped_map.h"
#include "model/polygon.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <benchmark/benchmark.h>

#include <cstring>

using namespace vyk3d;

namespace
{

// A res x res grid in strips, as a NURBS tessellation writes it.
void buildGrid(polygon_t& poly, uint32_t res)
{
    const uint64_t vertices = uint64_t(res) * res;
    const uint64_t elements = uint64_t(res - 1) * (2 * res + 1);
    poly.allocate(vertices, elements);
    scoped_map_t<float> v(poly.vertices);
    for (uint32_t j = 0; j < res; ++j)
        for (uint32_t i = 0; i < res; ++i) {
            float* r = &v[(size_t(j) * res + i) * 9];
            const float record[9] = {float(i), float(j), float((i * j) % 7), 1, 1, 1, 1, 0, 0};
            std::memcpy(r, record, sizeof record);
        }
    scoped_map_t<uint32_t> e(poly.elements);
    size_t k = 0;
    for (uint32_t j = 1; j < res; ++j) {
        for (uint32_t i = 0; i < res; ++i) {
            e[k++] = res * j + i;
            e[k++] = res * (j - 1) + i;
        }
        e[k++] = restartIndex;
    }
}

void clearFrames(polygon_t& poly)
{
    scoped_map_t<float> n(poly.normals, GL_MAP_WRITE_BIT);
    std::memset(n.get(), 0, poly.normals.bytesInUse());
}

// update() with every frame to compute (the reader's case).
void BM_PolygonUpdate(benchmark::State& state)
{
    vyktest::glContext();
    polygon_t poly;
    const uint32_t res = uint32_t(state.range(0));
    buildGrid(poly, res);
    for (auto _ : state) {
        state.PauseTiming();
        clearFrames(poly);
        state.ResumeTiming();
        poly.update();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(poly.elements.count()));
}
BENCHMARK(BM_PolygonUpdate)->Arg(33)->Arg(129)->Arg(513)->Unit(benchmark::kMicrosecond);

// The arrays of 1M separate triangles (3 vertices, 4 elements each), as the
// STL reader allocates them; 0 all at once, 1 on demand.
void BM_PolygonAllocate1M(benchmark::State& state)
{
    vyktest::glContext();
    const auto buffers = state.range(0) ? polygon_t::buffers_t::OnDemand : polygon_t::buffers_t::All;
    state.SetLabel(state.range(0) ? "on demand" : "all");
    for (auto _ : state) {
        polygon_t poly;
        benchmark::DoNotOptimize(poly.allocate(3000000, 4000000, buffers));
        glFinish();
        state.PauseTiming();
        poly.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PolygonAllocate1M)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// update() over 1M separate triangles that came with their frames (the STL
// case): tables only, no frame to compute.
void BM_PolygonUpdateTriangleList1M(benchmark::State& state)
{
    vyktest::glContext();
    polygon_t poly;
    const uint32_t triangles = 1000000;
    poly.allocate(3 * triangles, 4 * triangles, polygon_t::buffers_t::OnDemand);
    {
        scoped_map_t<float> v(poly.vertices, GL_MAP_WRITE_BIT);
        scoped_map_t<float> n(poly.normals, GL_MAP_WRITE_BIT);
        scoped_map_t<uint32_t> e(poly.elements, GL_MAP_WRITE_BIT);
        for (uint32_t k = 0; k < 3 * triangles; ++k) {
            const float record[9] = {float(k % 3), float(k / 3 % 1000), float(k / 3000), 1, 1, 1, 1, 0, 0};
            const float frame[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            std::memcpy(&v[size_t(k) * 9], record, sizeof record);
            std::memcpy(&n[size_t(k) * 9], frame, sizeof frame);
        }
        for (uint32_t t = 0; t < triangles; ++t) {
            e[4 * size_t(t)] = 3 * t;
            e[4 * size_t(t) + 1] = 3 * t + 1;
            e[4 * size_t(t) + 2] = 3 * t + 2;
            e[4 * size_t(t) + 3] = restartIndex;
        }
    }
    for (auto _ : state)
        poly.update();
    state.SetItemsProcessed(int64_t(state.iterations()) * triangles);
}
BENCHMARK(BM_PolygonUpdateTriangleList1M)->Unit(benchmark::kMillisecond);

// One record at a time: growth by four keeps the GPU copies rare.
void BM_AttributeExtendByOne(benchmark::State& state)
{
    vyktest::glContext();
    const int64_t records = state.range(0);
    for (auto _ : state) {
        attribute_array_t a;
        a.allocate(1, vertexFormat());
        for (int64_t n = 2; n <= records; ++n)
            a.extend(uint64_t(n));
        benchmark::DoNotOptimize(a.capacity());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * records);
}
BENCHMARK(BM_AttributeExtendByOne)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Re-allocating an element array to its current count touches no store.
void BM_ElementReallocateSameCount(benchmark::State& state)
{
    vyktest::glContext();
    element_array_t e;
    e.allocate(uint64_t(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(e.allocate(uint64_t(state.range(0))));
}
BENCHMARK(BM_ElementReallocateSameCount)->Arg(1 << 20);

} // namespace
