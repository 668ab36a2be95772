#include "gl/transform_feedback.h"

#include "foundation/check_gl.h"
#include "gl/program.h"
#include "gl/query.h"
#include "model/polygon.h"
#include "support/capture.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace vyk3d;

namespace
{

// The frame pass's feedback program captures one frame per vertex that
// follows the formulas, through a feedback object with indexed queries or
// through the default binding with the plain queries of a context without
// OpenGL 4.0; without a buffer to capture into, nothing starts.
TEST(TransformFeedback, BothModesCaptureFramesThatFollowTheFormulas)
{
    const float work[3][12] = {
        {1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0},     // flat: normal +z
        {2, 0, 0, 0, 0, 3, 0, 1, 0, 0, 0, 1},     // two different pairs
        {1, 1, 0, -1, 1, 0, 0.5f, 0, 1, 0, 2, 0}, // skewed
    };
    for (auto mode : {transform_feedback_t::UseObject, transform_feedback_t::UseDefault}) {
        SCOPED_TRACE(mode);
        transform_feedback_t feedback(mode);
        ASSERT_TRUE(feedback.allocate());
        polygon_t poly;
        ASSERT_TRUE(poly.allocate(3, 0));
        {
            scoped_map_t<float> w(poly.wknmls);
            ASSERT_TRUE(w);
            std::memcpy(w.get(), work, sizeof work);
        }
        query_t written;
        written.setIndexed(mode == transform_feedback_t::UseObject);
        vyktest::framePass().fbprogram.use();
        written.begin(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, 0);
        feedback.begin(GL_POINTS, poly.framefeedback);
        poly.drawforfeedback();
        feedback.end();
        written.end();
        vyktest::framePass().fbprogram.unuse();
        EXPECT_EQ(written.GetQuery(), 3u);
        const float* out = static_cast<const float*>(poly.framefeedback.map());
        ASSERT_NE(out, nullptr);
        for (int k = 0; k < 27; ++k)
            EXPECT_NEAR(out[k], vyktest::cpuFrame(work[k / 9])[k % 9], 2e-5f) << "vertex " << k / 9 << " " << k % 9;
        poly.framefeedback.unmap();
        feedback_buffer_t none; // nothing to capture into: nothing starts
        GLint active = 1;
        EXPECT_EQ(vyktest::stderrOf([&] {
                      feedback.begin(GL_POINTS, none);
                      glGetIntegerv(GL_TRANSFORM_FEEDBACK_ACTIVE, &active);
                      feedback.end();
                  }),
                  "");
        EXPECT_EQ(active, 0);
        EXPECT_FALSE(checkGL("BothModesCaptureFramesThatFollowTheFormulas"));
    }
}

} // namespace
