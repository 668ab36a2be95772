#include "foundation/check_gl.h"
#include "model/polygon.h"
#include "render/embedded_shaders.h"
#include "render/program.h"
#include "render/query.h"
#include "render/scoped_map.h"
#include "render/shader.h"
#include "render/transform_feedback.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace vyk3d;

namespace
{

struct v3 {
    float x, y, z;
};
v3 add(v3 a, v3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
v3 cross(v3 a, v3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
v3 normalize(v3 v)
{
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0 ? v3{v.x / l, v.y / l, v.z / l} : v3{0, 0, 0};
}

// The feedback program built as the polygon renderer builds it.
struct feedback_program_t {
    shader_t vs, fs;
    program_t program;
    transform_feedback_t feedback;

    explicit feedback_program_t(transform_feedback_t::mode_t mode) : feedback(mode) {}

    bool build()
    {
        const char* v = embeddedShader("feedback.vsd");
        const char* f = embeddedShader("feedback.fsd");
        if (!vs.allocate(GL_VERTEX_SHADER, v, GLint(std::strlen(v))) ||
            !fs.allocate(GL_FRAGMENT_SHADER, f, GLint(std::strlen(f))) || !program.create())
            return false;
        program.attach(vs);
        program.attach(fs);
        if (!feedback.allocate())
            return false;
        const char* varyings[] = {"VertexTangent", "VertexBiNormal", "VertexNormal"};
        feedback.setVaryings(program.name(), 3, varyings);
        return program.link();
    }
};

struct mode_case_t {
    const char* label;
    transform_feedback_t::mode_t mode;
    bool indexedQueries;
};

class FeedbackCapture : public testing::TestWithParam<mode_case_t>
{
};

// Two work frames per vertex in, one frame out: normal from the two
// tangent/binormal cross products, tangent from the tangent sum.
TEST_P(FeedbackCapture, FramesFollowTheFormulas)
{
    vyktest::glContext();
    feedback_program_t fb(GetParam().mode);
    ASSERT_TRUE(fb.build()) << fb.program.infoLog();
    EXPECT_EQ(fb.feedback.useObject(), GetParam().mode == transform_feedback_t::UseObject);

    const v3 work[3][4] = {
        {{1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}},     // flat: normal +z
        {{2, 0, 0}, {0, 0, 3}, {0, 1, 0}, {0, 0, 1}},     // two different pairs
        {{1, 1, 0}, {-1, 1, 0}, {0.5f, 0, 1}, {0, 2, 0}}, // skewed
    };
    polygon_t poly;
    ASSERT_TRUE(poly.allocate(3, 0));
    {
        scoped_map_t<v3> w(poly.wknmls);
        ASSERT_TRUE(w);
        for (int i = 0; i < 3; ++i)
            for (int k = 0; k < 4; ++k)
                w[size_t(i) * 4 + k] = work[i][k];
        scoped_map_t<float> verts(poly.vertices);
        ASSERT_TRUE(verts);
        for (int i = 0; i < 27; ++i)
            verts[size_t(i)] = 0.25f * float(i);
    }

    query_t written, generated;
    written.setIndexed(GetParam().indexedQueries);
    generated.setIndexed(GetParam().indexedQueries);
    fb.program.use();
    written.begin(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, 0);
    generated.begin(GL_PRIMITIVES_GENERATED, 0);
    fb.feedback.begin(GL_POINTS, poly.framefeedback);
    poly.drawforfeedback();
    fb.feedback.end();
    generated.end();
    written.end();
    EXPECT_EQ(written.GetQuery(), 3u);
    EXPECT_EQ(generated.GetQuery(), 3u);
    fb.program.unuse();
    EXPECT_FALSE(checkGL("FeedbackCapture"));

    ASSERT_EQ(poly.framefeedback.count(), 27u);
    const float* out = static_cast<const float*>(poly.framefeedback.map());
    ASSERT_NE(out, nullptr);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const v3 n = normalize(add(cross(work[i][0], work[i][1]), cross(work[i][2], work[i][3])));
        const v3 t = normalize(add(work[i][0], work[i][2]));
        const v3 b = cross(n, t);
        const float expect[9] = {t.x, t.y, t.z, b.x, b.y, b.z, n.x, n.y, n.z};
        for (int k = 0; k < 9; ++k)
            EXPECT_NEAR(out[i * 9 + k], expect[k], 2e-5f) << "component " << k;
    }
    poly.framefeedback.unmap();
}

INSTANTIATE_TEST_SUITE_P(Modes, FeedbackCapture,
                         testing::Values(mode_case_t{"object", transform_feedback_t::UseObject, true},
                                         mode_case_t{"defaultBinding", transform_feedback_t::UseDefault, false}),
                         [](const testing::TestParamInfo<mode_case_t>& info) { return std::string(info.param.label); });

TEST(TransformFeedback, UnnamedBufferDoesNothing)
{
    vyktest::glContext();
    transform_feedback_t feedback(transform_feedback_t::UseObject);
    ASSERT_TRUE(feedback.allocate());
    feedback_buffer_t none;
    ASSERT_EQ(none.name(), 0u);
    testing::internal::CaptureStderr();
    feedback.begin(GL_POINTS, none);
    GLint active = 1;
    glGetIntegerv(GL_TRANSFORM_FEEDBACK_ACTIVE, &active);
    feedback.end();
    EXPECT_EQ(active, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(Query, PlainCallsRefuseOtherIndices)
{
    vyktest::glContext();
    query_t q;
    q.setIndexed(false);
    testing::internal::CaptureStderr();
    q.begin(GL_PRIMITIVES_GENERATED, 1);
    q.end();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "query_t::begin(): index needs OpenGL 4.0.\n");
    EXPECT_EQ(q.GetQuery(), 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
