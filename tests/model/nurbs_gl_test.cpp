#include "model/nurbs.h"

#include "model/polygon.h"
#include "model/texture.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

// The parts of a scene model that a NURBS surface works on, filled as the
// scene reader fills them: clamped uniform knots, weight 1, control point
// (i, j) from `point`.
struct Model {
    texture_t texture;
    polygon_t polygon;
    nurbs_t nurbs{&texture, &polygon};

    bool fill(uint64_t numU, uint64_t orderU, uint64_t numV, uint64_t orderV,
              const std::function<ctlpt_t(uint64_t, uint64_t)>& point)
    {
        const auto knot = [](uint64_t n, uint64_t num, uint64_t order) {
            return n < order ? 0.0f : n >= num ? 1.0f : float(n - order + 1) / float(num - order + 1);
        };
        if (!nurbs.allocate(numU, orderU, numV, orderV))
            return false;
        for (uint64_t j = 0; j < numV; ++j)
            for (uint64_t i = 0; i < numU; ++i) {
                for (uint64_t n = 0; n < numU + orderU; ++n)
                    nurbs.knotsU.at(j, n) = knot(n, numU, orderU);
                for (uint64_t n = 0; n < numV + orderV; ++n)
                    nurbs.knotsV.at(i, n) = knot(n, numV, orderV);
                nurbs.weights.at(j, i) = 1.0f;
                nurbs.ctlpts.at(j, i) = point(i, j);
            }
        return nurbs.afterload("surface.vyk");
    }
};

ctlpt_t bilinearPoint(uint64_t i, uint64_t j)
{
    return {float(2 * i), float(4 * j), float(i * j), 1, 1, 1, 1};
}

// A tube closed in u: the first and last control columns are equal.
ctlpt_t tubePoint(uint64_t i, uint64_t j)
{
    static const float cx[6] = {1, 1, -1, -1, 1, 1}, cy[6] = {0, 1, 1, -1, -1, 0};
    return {cx[i], cy[i], float(j), 0.8f, 0.6f, 0.2f, 1};
}

// Counts that cannot make a surface, and resolutions the grid cannot be built
// from (a step of 1 / (res - 1), or element counts past 32 bits), are refused
// with one line before anything is allocated; so is a surface without
// control data. Counts of 0 stand for the bilinear patch.
TEST(Nurbs, BadCountsAndResolutionsAreRefused)
{
    const struct {
        uint64_t numU, orderU, numV, orderV;
        uint32_t resU, resV;
        const char* message;
    } cases[] = {
        {4, 0, 4, 2, 0, 0, "nurbs_t::allocate(): orderU(0) is out of range for numU(4).\n"},
        {3, 4, 4, 2, 0, 0, "nurbs_t::allocate(): orderU(4) is out of range for numU(3).\n"},
        {4, 2, 2, 3, 0, 0, "nurbs_t::allocate(): orderV(3) is out of range for numV(2).\n"},
        {uint64_t(1) << 32, 2, uint64_t(1) << 32, 2, 0, 0,
         "nurbs_t::allocate(): numU(4294967296) x numV(4294967296) control points are too many.\n"},
        {0, 0, 0, 0, 0, 33, "nurbs_t::makeVertices(): resolution(0,33) is out of range.\n"},
        {0, 0, 0, 0, 33, 1, "nurbs_t::makeVertices(): resolution(33,1) is out of range.\n"},
        {0, 0, 0, 0, 4096, 4096, "nurbs_t::makeVertices(): resolution(4096,4096) is out of range.\n"},
        {0, 2, 0, 2, 33, 33, "nurbs_t::makeVertices(): the surface has no control points.\n"},
    };
    for (const auto& c : cases) {
        Model m;
        if (c.numU == 0 && c.orderU == 0) {
            ASSERT_TRUE(m.fill(2, 2, 2, 2, bilinearPoint));
        }
        m.nurbs.resU = c.resU;
        m.nurbs.resV = c.resV;
        EXPECT_EQ(vyktest::stderrOf([&] {
                      if (c.numU != 0) {
                          EXPECT_FALSE(m.nurbs.allocate(c.numU, c.orderU, c.numV, c.orderV));
                          EXPECT_EQ(m.nurbs.ctlpts.size(), 0u);
                      } else {
                          EXPECT_FALSE(m.nurbs.makeVertices());
                          m.nurbs.updateVertices(); // must not touch anything
                      }
                  }),
                  c.message);
        EXPECT_EQ(m.polygon.vertices.count(), 0u);
    }
}

// A rebuild at a smaller resolution leaves the normals array larger than the
// new capture buffer: the frame pass copies only the frames in use, which
// follow the new work frames.
TEST(Nurbs, RebuildAtASmallerResolutionCopiesOnlyTheFramesInUse)
{
    Model m;
    ASSERT_TRUE(m.fill(6, 3, 3, 2, tubePoint));
    EXPECT_EQ(vyktest::stderrOf([&] {
                  m.nurbs.resU = m.nurbs.resV = 33;
                  ASSERT_TRUE(m.nurbs.makeVertices());
                  m.nurbs.updateVertices();
                  vyktest::framePass().computeFrames(m.polygon);
                  m.nurbs.resU = m.nurbs.resV = 9;
                  m.nurbs.rebuild(vyktest::framePass());
              }),
              "");
    ASSERT_EQ(m.polygon.vertices.count(), 81u);
    const std::vector<float> wk = readBuffer<float>(m.polygon.wknmls, 81 * 12),
                             nm = readBuffer<float>(m.polygon.normals, 81 * 9);
    ASSERT_EQ(nm.size(), 81u * 9);
    for (size_t k = 0; k < nm.size(); ++k)
        ASSERT_NEAR(nm[k], vyktest::cpuFrame(&wk[12 * (k / 9)])[k % 9], 1e-5f) << "vertex " << k / 9;
}

} // namespace
