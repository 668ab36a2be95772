#include "model/frame_pass.h"

#include "gl/scoped_map.h"
#include "model/polygon.h"
#include "support/capture.h"
#include "support/gl_readback.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vyk3d;

namespace
{

// The frame pass over a polygon whose work arrays wait until asked for, with
// work frames T = +y, B = +z (normal +x), into a capture buffer sized for two
// of its four vertices: both counts are reported, the two captured frames
// copied, and the others keep their supplied frames.
TEST(FramePass, CopiesNoMoreThanWasCaptured)
{
    const std::vector<float> supplied = {1, 0, 0, 0, 1, 0, 0, 0, 1}, computed = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    std::vector<float> frames;
    for (int k = 0; k < 4; ++k)
        frames.insert(frames.end(), supplied.begin(), supplied.end());
    polygon_t quad;
    vyktest::fillPolygon(quad, std::vector<float>(12), 3, {}, frames, polygon_t::buffers_t::OnDemand);
    {
        scoped_map_t<float> wk(*quad.array(2)); // makes the work arrays
        ASSERT_TRUE(wk);
        const float pairs[12] = {0, 1, 0, 0, 0, 1, 0, 2, 0, 0, 0, 3};
        for (int k = 0; k < 48; ++k)
            wk[k] = pairs[k % 12];
    }
    ASSERT_TRUE(quad.framefeedback.allocate(18));
    EXPECT_EQ(vyktest::stderrOf([&] { vyktest::framePass().computeFrames(quad); }),
              "glpolygon wrted != gened: 2, 4\nglpolygon buf != gened: 2, 4\n");
    const std::vector<float> nm = vyktest::readBuffer<float>(quad.normals, 36);
    ASSERT_EQ(nm.size(), 36u);
    for (uint64_t k = 0; k < 4; ++k)
        EXPECT_EQ(std::vector<float>(&nm[9 * k], &nm[9 * k + 9]), k < 2 ? computed : supplied) << k;
}

} // namespace
