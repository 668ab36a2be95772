// NURBS surface: a 10 x 10 control grid of order 4 tessellated at 257 x 257,
// evaluated, and its frames computed on the GPU (llvmpipe under Xvfb).

#include "model/frame_pass.h"
#include "model/nurbs.h"
#include "model/polygon.h"
#include "model/texture.h"
#include "support/gl_context.h"

#include <benchmark/benchmark.h>

#include <GL/glew.h>

#include <cmath>

using namespace vyk3d;

namespace
{

struct NurbsModel {
    texture_t texture;
    polygon_t polygon;
    nurbs_t nurbs{&texture, &polygon};

    NurbsModel()
    {
        const uint64_t num = 10, order = 4;
        nurbs.allocate(num, order, num, order);
        // Clamped uniform knots in every row and column.
        float knots[num + order];
        for (uint64_t n = 0; n < num + order; ++n)
            knots[n] = n < order ? 0.0f : n >= num ? 1.0f : float(n - order + 1) / float(num - order + 1);
        for (uint64_t r = 0; r < num; ++r)
            for (uint64_t c = 0; c < num + order; ++c) {
                nurbs.knotsU.at(r, c) = knots[c];
                nurbs.knotsV.at(r, c) = knots[c];
            }
        for (uint64_t j = 0; j < num; ++j)
            for (uint64_t i = 0; i < num; ++i) {
                nurbs.weights.at(j, i) = 1.0f + 0.1f * float((i + j) % 3);
                nurbs.ctlpts.at(j, i) =
                    ctlpt_t{float(i), float(j), std::sin(float(i)) * std::cos(float(j)), 0.5f, 0.5f, 0.5f, 1.0f};
            }
        nurbs.resU = nurbs.resV = 257;
        nurbs.afterload("bench.vyk");
    }
};

frame_pass_t& renderer()
{
    static frame_pass_t* r = nullptr;
    if (r == nullptr) {
        vyktest::glContext();
        r = new frame_pass_t;
        r->init("");
    }
    return *r;
}

// What the scene reader does after reading a NURBS section.
void BM_NurbsTessellateEvaluateFrames(benchmark::State& state)
{
    frame_pass_t& r = renderer();
    NurbsModel m;
    for (auto _ : state) {
        m.nurbs.makeVertices();
        m.nurbs.updateVertices();
        r.computeFrames(m.polygon);
        glFinish();
    }
    state.counters["vertices"] = double(m.polygon.vertexcount());
}
BENCHMARK(BM_NurbsTessellateEvaluateFrames)->Unit(benchmark::kMillisecond)->UseRealTime();

// Evaluation and work frames alone, into the already allocated polygon.
void BM_NurbsEvaluate(benchmark::State& state)
{
    renderer();
    NurbsModel m;
    m.nurbs.makeVertices();
    for (auto _ : state)
        m.nurbs.updateVertices();
}
BENCHMARK(BM_NurbsEvaluate)->Unit(benchmark::kMillisecond)->UseRealTime();

// The GPU frame pass alone.
void BM_NurbsFramePass(benchmark::State& state)
{
    frame_pass_t& r = renderer();
    NurbsModel m;
    m.nurbs.makeVertices();
    m.nurbs.updateVertices();
    for (auto _ : state) {
        r.computeFrames(m.polygon);
        glFinish();
    }
}
BENCHMARK(BM_NurbsFramePass)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace
{

// Tessellation alone: polygon allocation, strips and triangle tables.
void BM_NurbsTessellate(benchmark::State& state)
{
    renderer();
    NurbsModel m;
    for (auto _ : state)
        m.nurbs.makeVertices();
}
BENCHMARK(BM_NurbsTessellate)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
