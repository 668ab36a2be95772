#include "model/nurbs.h"

#include "model/polygon.h"
#include "model/texture.h"
#include "render/glpolygon.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

using point_fn = std::function<ctlpt_t(uint64_t, uint64_t)>;

// The parts of a scene model that a NURBS surface works on, filled as the
// scene reader fills them: clamped uniform knots in every row and column,
// weight 1, control point (i, j) from `point`.
struct Model {
    texture_t texture;
    polygon_t polygon;
    nurbs_t nurbs{&texture, &polygon};

    static std::vector<float> clampedKnots(uint64_t num, uint64_t order)
    {
        std::vector<float> k(num + order);
        for (uint64_t n = 0; n < k.size(); ++n)
            k[n] = n < order ? 0.0f : n >= num ? 1.0f : float(n - order + 1) / float(num - order + 1);
        return k;
    }
    bool fill(uint64_t numU, uint64_t orderU, uint64_t numV, uint64_t orderV, const point_fn& point)
    {
        if (!nurbs.allocate(numU, orderU, numV, orderV))
            return false;
        const std::vector<float> ku = clampedKnots(numU, orderU), kv = clampedKnots(numV, orderV);
        for (uint64_t j = 0; j < numV; ++j)
            for (uint64_t i = 0; i < numU; ++i) {
                std::copy(ku.begin(), ku.end(), &nurbs.knotsU.at(j, 0));
                std::copy(kv.begin(), kv.end(), &nurbs.knotsV.at(i, 0));
                nurbs.weights.at(j, i) = 1.0f;
                nurbs.ctlpts.at(j, i) = point(i, j);
            }
        return nurbs.afterload("surface.vyk");
    }
    // The scene reader's finishing steps.
    bool finish(uint32_t resU, uint32_t resV)
    {
        nurbs.resU = resU;
        nurbs.resV = resV;
        if (!nurbs.makeVertices())
            return false;
        nurbs.updateVertices();
        vyktest::framePass().computeFrames(polygon);
        return true;
    }
};

ctlpt_t bilinearPoint(uint64_t i, uint64_t j)
{
    static const ctlpt_t p[4] = {
        {0, 0, 0, 1, 0, 0, 1}, {2, 0, 0, 0, 1, 0, 1}, {0, 4, 0, 0, 0, 1, 1}, {2, 4, 1, 1, 1, 1, 0}};
    return p[j * 2 + i];
}

// A double cone: a square ring closed in u whose first and last rows
// collapse to the poles (0, 0, -1) and (0, 0, 1).
ctlpt_t conePoint(uint64_t i, uint64_t j)
{
    static const float cx[5] = {1, 0, -1, 0, 1}, cy[5] = {0, 1, 0, -1, 0};
    return j == 1 ? ctlpt_t{cx[i], cy[i], 0, 1, 1, 1, 1} : ctlpt_t{0, 0, j == 0 ? -1.0f : 1.0f, 1, 1, 1, 1};
}

// A tube closed in u: the first and last control columns are equal, and the
// end tangents of each row both point along +y, so the seam is smooth.
ctlpt_t tubePoint(uint64_t i, uint64_t j)
{
    static const float cx[6] = {1, 1, -1, -1, 1, 1}, cy[6] = {0, 1, 1, -1, -1, 0};
    return {cx[i], cy[i], float(j), 0.8f, 0.6f, 0.2f, 1};
}

// Counts from a file that cannot make a surface are refused with one line;
// so is a resolution the grid cannot be built from (a step of 1 / (res - 1),
// or element counts past 32 bits), before anything is allocated, and a
// surface without control data. Counts of 0 stand for the bilinear patch.
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
        {UINT64_MAX, 4, 2, 2, 0, 0,
         "nurbs_t::allocate(): numU(18446744073709551615) x numV(2) control points are too many.\n"},
        {0, 0, 0, 0, 0, 33, "nurbs_t::makeVertices(): resolution(0,33) is out of range.\n"},
        {0, 0, 0, 0, 33, 1, "nurbs_t::makeVertices(): resolution(33,1) is out of range.\n"},
        {0, 0, 0, 0, 65536, 65537, "nurbs_t::makeVertices(): resolution(65536,65537) is out of range.\n"},
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
                      } else {
                          EXPECT_FALSE(m.nurbs.makeVertices());
                          m.nurbs.updateVertices(); // must not touch anything
                      }
                  }),
                  c.message);
        EXPECT_EQ(m.polygon.vertices.count(), 0u);
        if (c.numU != 0) {
            EXPECT_EQ(m.nurbs.ctlpts.size(), 0u);
        }
    }
}

// Every frame from the GPU pass is unit length and what the feedback
// formulas give on the CPU for the same work frames; on the closed tube both
// seam vertices of a row get the same work frames and frame; a collapsed
// first row takes its tangents from the second row. A rebuild at a
// smaller resolution leaves the normals array larger than the new capture
// buffer: the frame pass copies only the frames in use.
TEST(Nurbs, GpuFramesMatchTheCpuFormulasAndCloseTheSeam)
{
    const struct {
        const char* name;
        uint64_t numU, orderU, numV, orderV;
        point_fn point;
        uint32_t resU, resV;
        bool closedInU;
    } cases[] = {
        {"tube", 6, 3, 3, 2, tubePoint, 17, 9, true},
        {"tube rebuilt smaller", 6, 3, 3, 2, tubePoint, 9, 5, true},
        {"double cone", 5, 2, 3, 2, conePoint, 9, 5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Model m;
        ASSERT_TRUE(m.fill(c.numU, c.orderU, c.numV, c.orderV, c.point));
        EXPECT_EQ(vyktest::stderrOf([&] {
                      const bool rebuilt = std::string(c.name) == "tube rebuilt smaller";
                      ASSERT_TRUE(m.finish(rebuilt ? 33 : c.resU, rebuilt ? 33 : c.resV));
                      m.nurbs.resU = c.resU;
                      m.nurbs.resV = c.resV;
                      if (rebuilt)
                          m.nurbs.rebuild(vyktest::framePass());
                  }),
                  "");
        const uint64_t count = uint64_t(c.resU) * c.resV;
        ASSERT_EQ(m.polygon.vertices.count(), count);
        const std::vector<float> wk = readBuffer<float>(m.polygon.wknmls, count * 12),
                                 nm = readBuffer<float>(m.polygon.normals, count * 9);
        ASSERT_EQ(nm.size(), count * 9);
        for (uint64_t k = 0; k < count; ++k) {
            const std::array<float, 9> want = vyktest::cpuFrame(&wk[12 * k]);
            for (int n = 0; n < 9; ++n)
                ASSERT_NEAR(nm[9 * k + n], want[n], 1e-5f) << "vertex " << k << " component " << n;
            for (int part = 0; part < 3; ++part) {
                const float* v = &nm[9 * k + 3 * part];
                EXPECT_NEAR(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), 1.0f, 1e-5f) << "vertex " << k;
            }
        }
        const std::vector<float> v = readBuffer<float>(m.polygon.vertices, count * 9);
        // Position of grid vertex (i, j) minus that of (k, l).
        const auto diff = [&](uint64_t i, uint64_t j, uint64_t k, uint64_t l) {
            std::vector<float> d(3);
            for (int n = 0; n < 3; ++n)
                d[n] = v[9 * (c.resU * j + i) + n] - v[9 * (c.resU * l + k) + n];
            return d;
        };
        for (uint64_t i = 1; c.numU == 5 && i + 1 < c.resU; ++i) {
            const float* f = &wk[12 * i]; // row 0: T1, B1, T2, B2
            EXPECT_EQ(std::vector<float>(f, f + 3), diff(i + 1, 1, i, 1)) << i;
            EXPECT_EQ(std::vector<float>(f + 3, f + 6), diff(i, 1, i, 0)) << i;
            EXPECT_EQ(std::vector<float>(f + 6, f + 9), diff(i, 1, i - 1, 1)) << i;
            EXPECT_EQ(std::vector<float>(f + 9, f + 12), diff(i, 1, i, 0)) << i;
        }
        for (uint32_t j = 1; c.closedInU && j + 1 < c.resV; ++j) {
            const uint64_t first = c.resU * j, last = first + c.resU - 1;
            for (int n = 0; n < 12; ++n)
                EXPECT_EQ(wk[12 * first + n], wk[12 * last + n]) << "row " << j;
            for (int n = 0; n < 9; ++n)
                EXPECT_EQ(nm[9 * first + n], nm[9 * last + n]) << "row " << j;
        }
    }
}

} // namespace
