#include "model/frame_pass.h"

#include "gl/scoped_map.h"
#include "model/polygon.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

// The frame pass over work frames T = +y, B = +z (normal +x) into a capture
// buffer sized for two of the four vertices: both counts are reported, the
// two captured frames copied, and the others keep their supplied frames.
TEST(FramePass, CopiesNoMoreThanWasCaptured)
{
    polygon_t quad;
    vyktest::makeQuad(quad, -1, -1, 1, 1, 0, {1, 1, 1, 1});
    {
        scoped_map_t<float> wk(quad.wknmls);
        ASSERT_TRUE(wk);
        const float pairs[12] = {0, 1, 0, 0, 0, 1, 0, 2, 0, 0, 0, 3};
        for (int k = 0; k < 48; ++k)
            wk[k] = pairs[k % 12];
    }
    ASSERT_TRUE(quad.framefeedback.allocate(18));
    EXPECT_EQ(vyktest::stderrOf([&] { vyktest::framePass().computeFrames(quad); }),
              "glpolygon wrted != gened: 2, 4\nglpolygon buf != gened: 2, 4\n");
    const std::vector<float> nm = vyktest::readBuffer<float>(quad.normals, 36);
    const std::vector<float> computed = {0, 1, 0, 0, 0, 1, 1, 0, 0}, supplied = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    ASSERT_EQ(nm.size(), 36u);
    for (uint64_t k = 0; k < 4; ++k)
        EXPECT_EQ(std::vector<float>(&nm[9 * k], &nm[9 * k + 9]), k < 2 ? computed : supplied) << k;
}

// The frame pass of a polygon whose work arrays wait until asked for.
TEST(FramePass, RunsOnAPolygonWhoseWorkArraysWaitUntilAskedFor)
{
    polygon_t poly;
    vyktest::fillPolygon(poly, {0, 0, 0, 1, 0, 0}, 3, {}, {}, polygon_t::buffers_t::OnDemand);
    ASSERT_TRUE(poly.workframes());
    const float work[24] = {0, 1, 0, 0, 0, 1, 0, 2, 0, 0, 0, 3, 1, 1, 0, -1, 1, 0, 0.5f, 0, 1, 0, 2, 0};
    {
        scoped_map_t<float> wk(poly.wknmls);
        ASSERT_TRUE(wk);
        std::copy(work, work + 24, wk.get());
    }
    vyktest::framePass().computeFrames(poly);
    const std::vector<float> nm = readBuffer<float>(poly.normals, 18);
    ASSERT_EQ(nm.size(), 18u);
    for (int v = 0; v < 2; ++v)
        for (int k = 0; k < 9; ++k)
            EXPECT_NEAR(nm[9 * v + k], vyktest::cpuFrame(work + 12 * v)[k], 2e-5f) << v << " " << k;
}

} // namespace
