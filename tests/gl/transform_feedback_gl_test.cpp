#include "gl/transform_feedback.h"

#include "foundation/check_gl.h"
#include "gl/program.h"
#include "gl/query.h"
#include "gl/scoped_map.h"
#include "model/polygon.h"
#include "render/glpolygon.h"
#include "support/capture.h"
#include "support/polygon_fill.h"
#include "support/scene_load.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace vyk3d;

namespace
{

struct mode_case_t {
    const char* label;
    transform_feedback_t::mode_t mode;
    bool indexedQueries; // false: the plain query calls of a context without OpenGL 4.0
};

class FeedbackCapture : public testing::TestWithParam<mode_case_t>
{
};

// The polygon renderer's feedback program captures, through a feedback
// object or the default binding, one frame per vertex that follows the
// formulas, for known work frames.
TEST_P(FeedbackCapture, FramesFollowTheFormulas)
{
    program_t& program = vyktest::framePass().fbprogram;
    transform_feedback_t feedback(GetParam().mode);
    ASSERT_TRUE(feedback.allocate());
    EXPECT_EQ(feedback.useObject(), GetParam().mode == transform_feedback_t::UseObject);

    const float work[3][12] = {
        {1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0},     // flat: normal +z
        {2, 0, 0, 0, 0, 3, 0, 1, 0, 0, 0, 1},     // two different pairs
        {1, 1, 0, -1, 1, 0, 0.5f, 0, 1, 0, 2, 0}, // skewed
    };
    polygon_t poly;
    ASSERT_TRUE(poly.allocate(3, 0));
    {
        scoped_map_t<float> w(poly.wknmls);
        ASSERT_TRUE(w);
        std::memcpy(w.get(), work, sizeof work);
    }

    query_t written, generated;
    written.setIndexed(GetParam().indexedQueries);
    generated.setIndexed(GetParam().indexedQueries);
    program.use();
    written.begin(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, 0);
    generated.begin(GL_PRIMITIVES_GENERATED, 0);
    feedback.begin(GL_POINTS, poly.framefeedback);
    poly.drawforfeedback();
    feedback.end();
    generated.end();
    written.end();
    program.unuse();
    EXPECT_EQ(written.GetQuery(), 3u);
    EXPECT_EQ(generated.GetQuery(), 3u);
    EXPECT_FALSE(checkGL("FeedbackCapture"));

    ASSERT_EQ(poly.framefeedback.count(), 27u);
    const float* out = static_cast<const float*>(poly.framefeedback.map());
    ASSERT_NE(out, nullptr);
    for (int i = 0; i < 3; ++i) {
        const std::array<float, 9> expect = vyktest::cpuFrame(work[i]);
        for (int k = 0; k < 9; ++k)
            EXPECT_NEAR(out[i * 9 + k], expect[k], 2e-5f) << "vertex " << i << " component " << k;
    }
    poly.framefeedback.unmap();
}

INSTANTIATE_TEST_SUITE_P(Modes, FeedbackCapture,
                         testing::Values(mode_case_t{"object", transform_feedback_t::UseObject, true},
                                         mode_case_t{"defaultBinding", transform_feedback_t::UseDefault, false}),
                         [](const testing::TestParamInfo<mode_case_t>& info) { return std::string(info.param.label); });

TEST(TransformFeedback, UnnamedBufferDoesNothing)
{
    transform_feedback_t feedback(transform_feedback_t::UseObject);
    ASSERT_TRUE(feedback.allocate());
    feedback_buffer_t none;
    GLint active = 1;
    EXPECT_EQ(vyktest::stderrOf([&] {
                  feedback.begin(GL_POINTS, none);
                  glGetIntegerv(GL_TRANSFORM_FEEDBACK_ACTIVE, &active);
                  feedback.end();
              }),
              "");
    EXPECT_EQ(active, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
