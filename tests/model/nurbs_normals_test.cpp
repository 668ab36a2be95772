#include "model/nurbs_normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

using namespace vyk3d;

namespace
{

struct V {
    float x, y, z;
};
V sub(V a, V b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

struct Grid {
    uint32_t resU, resV;
    std::vector<float> pos; // three floats per vertex
    std::vector<float> wk;  // twelve floats per vertex
    V P(uint32_t i, uint32_t j) const
    {
        const float* f = &pos[3 * (resU * j + i)];
        return {f[0], f[1], f[2]};
    }
    const float* frame(uint32_t i, uint32_t j) const { return &wk[12 * (resU * j + i)]; }
};

Grid makeGrid(uint32_t resU, uint32_t resV, const std::function<V(float, float)>& f)
{
    Grid g{resU, resV, {}, std::vector<float>(size_t(12) * resU * resV, -99.0f)};
    for (uint32_t j = 0; j < resV; ++j)
        for (uint32_t i = 0; i < resU; ++i) {
            const V p = f(float(i) / (resU - 1), float(j) / (resV - 1));
            g.pos.insert(g.pos.end(), {p.x, p.y, p.z});
        }
    computeWorkFrames(g.pos.data(), 3, resU, resV, g.wk.data());
    return g;
}

const float kPi = 3.14159265358979f;

V cylinder(float u, float v)
{
    return {std::cos(2 * kPi * u), std::sin(2 * kPi * u), v};
}
V sphere(float u, float v)
{
    const float th = kPi * v, ph = 2 * kPi * u;
    return {std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), -std::cos(th)};
}

void expectVec(const float* got, V want)
{
    EXPECT_FLOAT_EQ(got[0], want.x);
    EXPECT_FLOAT_EQ(got[1], want.y);
    EXPECT_FLOAT_EQ(got[2], want.z);
}

// A sphere whose first and last rows collapse to the poles: the pole vertices
// take their tangents from the neighbouring row.
TEST(NurbsNormals, CollapsedRowTakesTangentsFromTheNextRow)
{
    const Grid g = makeGrid(9, 7, sphere);
    const uint32_t t = g.resV - 1;
    for (uint32_t i = 1; i + 1 < g.resU; ++i) {
        SCOPED_TRACE(i);
        const float* f = g.frame(i, 0);
        expectVec(f + 0, sub(g.P(i + 1, 1), g.P(i, 1)));
        expectVec(f + 3, sub(g.P(i, 1), g.P(i, 0)));
        expectVec(f + 6, sub(g.P(i, 1), g.P(i - 1, 1)));
        expectVec(f + 9, sub(g.P(i, 1), g.P(i, 0)));
        const float* top = g.frame(i, t);
        expectVec(top + 0, sub(g.P(i + 1, t - 1), g.P(i, t - 1)));
        expectVec(top + 6, sub(g.P(i, t - 1), g.P(i - 1, t - 1)));
    }
}

// Whatever mix of seams, poles and open edges a surface has, no vertex is
// left without a frame.
TEST(NurbsNormals, EveryVertexIsWritten)
{
    for (auto f : {cylinder, sphere}) {
        const Grid g = makeGrid(5, 4, f);
        for (float w : g.wk)
            EXPECT_NE(w, -99.0f);
    }
}

} // namespace
