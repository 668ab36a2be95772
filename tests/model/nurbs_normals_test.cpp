#include "model/nurbs_normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace vyk3d;

namespace
{

// A sphere whose first and last rows collapse to the poles: the pole vertices
// take their tangents from the neighbouring row, and no vertex is left
// without a frame.
TEST(NurbsNormals, CollapsedRowTakesTangentsFromTheNextRow)
{
    const uint32_t resU = 9, resV = 7, t = resV - 1;
    const float pi = 3.14159265358979f;
    std::vector<float> pos, wk(size_t(12) * resU * resV, -99.0f);
    for (uint32_t j = 0; j < resV; ++j)
        for (uint32_t i = 0; i < resU; ++i) {
            const float th = pi * float(j) / (resV - 1), ph = 2 * pi * float(i) / (resU - 1);
            pos.insert(pos.end(), {std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), -std::cos(th)});
        }
    computeWorkFrames(pos.data(), 3, resU, resV, wk.data());
    // P(a) - P(b) for grid vertices a = (i, j) and b.
    const auto diff = [&](uint32_t ia, uint32_t ja, uint32_t ib, uint32_t jb) {
        std::vector<float> d(3);
        for (int k = 0; k < 3; ++k)
            d[k] = pos[3 * (resU * ja + ia) + k] - pos[3 * (resU * jb + ib) + k];
        return d;
    };
    const auto frame = [&](uint32_t i, uint32_t j, int part) {
        const float* f = &wk[12 * (resU * j + i) + 3 * part];
        return std::vector<float>(f, f + 3);
    };
    for (uint32_t i = 1; i + 1 < resU; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frame(i, 0, 0), diff(i + 1, 1, i, 1));
        EXPECT_EQ(frame(i, 0, 1), diff(i, 1, i, 0));
        EXPECT_EQ(frame(i, 0, 2), diff(i, 1, i - 1, 1));
        EXPECT_EQ(frame(i, 0, 3), diff(i, 1, i, 0));
        EXPECT_EQ(frame(i, t, 0), diff(i + 1, t - 1, i, t - 1));
        EXPECT_EQ(frame(i, t, 2), diff(i, t - 1, i - 1, t - 1));
    }
    for (float w : wk)
        EXPECT_NE(w, -99.0f);
}

} // namespace
