// NURBS evaluation over arbitrary orders, knots (in order or not), weights
// (zero and negative too) and control points: no crash, no hang, no NaN or
// infinity in the grid or its work frames, and the grid the same whether
// the basis is kept as terms or each vertex is evaluated directly.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/nurbs_basis.h"
#include "model/nurbs_normals.h"

namespace
{

// Values from the input, two bytes each as a signed multiple of 1/64; 0
// once the input runs out.
struct reader_t {
    const uint8_t* data;
    size_t size;
    uint8_t byte() { return size ? (--size, *data++) : 0; }
    float value() { return float(int16_t(uint16_t(byte() | byte() << 8))) / 64.0f; }
};

void checkFinite(const std::vector<float>& v)
{
    for (float x : v)
        if (!std::isfinite(x))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    reader_t in{data, size};
    vyk3d::nurbsgrid_t g;
    g.numU = 1 + in.byte() % 12;
    g.orderU = 1 + in.byte() % g.numU;
    g.numV = 1 + in.byte() % 12;
    g.orderV = 1 + in.byte() % g.numV;
    const uint32_t resU = 2 + in.byte() % 24, resV = 2 + in.byte() % 24;
    const bool sorted = in.byte() & 1;
    std::vector<float> knotsU(g.numV * (g.numU + g.orderU)), knotsV(g.numU * (g.numV + g.orderV)),
        weights(g.numU * g.numV);
    std::vector<vyk3d::ctlpt_t> points(g.numU * g.numV);
    for (std::vector<float>* a : {&knotsU, &knotsV, &weights})
        for (float& x : *a)
            x = in.value();
    if (sorted) { // knot rows in order, as files usually have them
        for (uint64_t j = 0; j < g.numV; ++j)
            std::sort(knotsU.begin() + j * (g.numU + g.orderU), knotsU.begin() + (j + 1) * (g.numU + g.orderU));
        for (uint64_t i = 0; i < g.numU; ++i)
            std::sort(knotsV.begin() + i * (g.numV + g.orderV), knotsV.begin() + (i + 1) * (g.numV + g.orderV));
    }
    for (vyk3d::ctlpt_t& p : points)
        p = {in.value(), in.value(), in.value(), in.value(), in.value(), in.value(), in.value()};
    g.knotsU = knotsU.data();
    g.knotsV = knotsV.data();
    g.weights = weights.data();
    g.points = points.data();

    const uint32_t stride = 9;
    std::vector<float> grid(size_t(resU) * resV * stride), direct(grid.size());
    vyk3d::nurbsEvaluateGrid(g, resU, resV, grid.data(), stride);
    vyk3d::nurbsEvaluateGrid(g, resU, resV, direct.data(), stride, 0);
    checkFinite(grid);
    if (std::memcmp(grid.data(), direct.data(), grid.size() * sizeof(float)) != 0)
        std::abort();
    std::vector<float> frames(size_t(resU) * resV * 12);
    vyk3d::computeWorkFrames(grid.data(), stride, resU, resV, frames.data());
    checkFinite(frames);
    return 0;
}
