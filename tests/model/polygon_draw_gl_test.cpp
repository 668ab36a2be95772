// Pixels drawn through polygon_t::draw with a small program that shows the
// attributes at locations 1 (colour), 2 (texture coordinate) and 5 (normal):
// proves the vertex layout and primitive restart on a real rasteriser.

#include "foundation/check_gl.h"
#include "model/polygon.h"
#include "render/program.h"
#include "render/scoped_map.h"
#include "render/shader.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace vyk3d;

namespace
{

constexpr uint32_t R = restartIndex;
constexpr int size = 32;

const char* vertexSource = R"(#version 330
layout(location = 0) in vec3 Position;
layout(location = 1) in vec4 Color;
layout(location = 2) in vec2 TexCoord;
layout(location = 5) in vec3 Normal;
out vec4 shade;
void main()
{
    shade = vec4(Color.r, TexCoord.x, Normal.z, 1.0);
    gl_Position = vec4(Position, 1.0);
}
)";

const char* fragmentSource = R"(#version 330
in vec4 shade;
layout(location = 0) out vec4 color;
void main() { color = shade; }
)";

// An offscreen RGBA target with the test program in use.
class PolygonPixels : public testing::Test
{
  protected:
    void SetUp() override
    {
        vyktest::glContext();
        glGenFramebuffers(1, &fbo_);
        glGenRenderbuffers(1, &rbo_);
        glBindRenderbuffer(GL_RENDERBUFFER, rbo_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size, size);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rbo_);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        glViewport(0, 0, size, size);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        ASSERT_TRUE(vs_.allocate(GL_VERTEX_SHADER, vertexSource, GLint(std::strlen(vertexSource))));
        ASSERT_TRUE(fs_.allocate(GL_FRAGMENT_SHADER, fragmentSource, GLint(std::strlen(fragmentSource))));
        ASSERT_TRUE(program_.create());
        program_.attach(vs_);
        program_.attach(fs_);
        ASSERT_TRUE(program_.link()) << program_.infoLog();
        program_.use();
    }

    void TearDown() override
    {
        program_.unuse();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(1, &rbo_);
        glDeleteFramebuffers(1, &fbo_);
    }

    // Quads as strips of four corners (x0..x1, y0..y1), white, u = 0.5.
    void build(polygon_t& poly, const std::vector<float>& quads, const std::vector<uint32_t>& elements)
    {
        const size_t vertexCount = quads.size(); // four corners per (x0, x1, y0, y1)
        ASSERT_TRUE(poly.allocate(vertexCount, elements.size()));
        {
            scoped_map_t<float> v(poly.vertices);
            ASSERT_TRUE(v);
            for (size_t q = 0; q < quads.size() / 4; ++q) {
                const float x0 = quads[4 * q], x1 = quads[4 * q + 1];
                const float y0 = quads[4 * q + 2], y1 = quads[4 * q + 3];
                const float corners[4][2] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}};
                for (int c = 0; c < 4; ++c) {
                    const float record[9] = {corners[c][0], corners[c][1], 0, 1, 1, 1, 1, 0.5f, 0.5f};
                    std::memcpy(&v[(4 * q + c) * 9], record, sizeof record);
                }
            }
            scoped_map_t<float> n(poly.normals);
            ASSERT_TRUE(n);
            std::fill(n.get(), n.get() + vertexCount * 9, 0.0f);
            scoped_map_t<uint32_t> e(poly.elements);
            ASSERT_TRUE(e);
            std::copy(elements.begin(), elements.end(), e.get());
        }
        poly.update("pixels");
    }

    std::vector<unsigned char> pixels()
    {
        std::vector<unsigned char> rgba(size * size * 4);
        glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    static const unsigned char* at(const std::vector<unsigned char>& rgba, int x, int y)
    {
        return &rgba[size_t(y * size + x) * 4];
    }

    // Colour 1, texture coordinate 0.5 and a normal of +z, as bytes.
    static void expectCovered(const std::vector<unsigned char>& rgba, int x, int y)
    {
        const unsigned char* p = at(rgba, x, y);
        EXPECT_EQ(p[0], 255) << x << "," << y;
        EXPECT_NEAR(p[1], 128, 1) << x << "," << y;
        EXPECT_EQ(p[2], 255) << x << "," << y;
        EXPECT_EQ(p[3], 255) << x << "," << y;
    }

    static void expectEmpty(const std::vector<unsigned char>& rgba, int x, int y)
    {
        const unsigned char* p = at(rgba, x, y);
        EXPECT_EQ(p[0] | p[1] | p[2] | p[3], 0) << x << "," << y;
    }

    GLuint fbo_ = 0, rbo_ = 0;
    shader_t vs_, fs_;
    program_t program_;
};

TEST_F(PolygonPixels, QuadCoversItsPixels)
{
    polygon_t poly;
    build(poly, {-0.5f, 0.5f, -0.5f, 0.5f}, {0, 1, 2, 3});
    poly.draw();
    EXPECT_FALSE(checkGL("PolygonPixels.QuadCoversItsPixels"));
    const std::vector<unsigned char> rgba = pixels();
    // The quad spans pixels 8 to 23 both ways.
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (x >= 8 && x < 24 && y >= 8 && y < 24)
                expectCovered(rgba, x, y);
            else
                expectEmpty(rgba, x, y);
        }
}

struct gap_case_t {
    const char* label;
    uint32_t separator; // what sits between the two strips
};

class PolygonGap : public PolygonPixels, public testing::WithParamInterface<gap_case_t>
{
};

// Without the break a strip would run on through (2, 3, 4) and (3, 4, 5),
// filling the gap between the quads.
TEST_P(PolygonGap, StripsSeparatedByABreakLeaveTheGapEmpty)
{
    polygon_t poly;
    build(poly, {-0.875f, -0.375f, -0.5f, 0.5f, 0.375f, 0.875f, -0.5f, 0.5f},
          {0, 1, 2, 3, GetParam().separator, 4, 5, 6, 7});
    poly.draw();
    EXPECT_FALSE(checkGL(GetParam().label));
    const std::vector<unsigned char> rgba = pixels();
    for (int y = 10; y < 22; ++y) {
        expectCovered(rgba, 4, y);  // left quad: pixels 2 to 9
        expectCovered(rgba, 27, y); // right quad: pixels 22 to 29
        for (int x = 11; x < 21; ++x)
            expectEmpty(rgba, x, y); // the gap
    }
}

INSTANTIATE_TEST_SUITE_P(Breaks, PolygonGap,
                         testing::Values(gap_case_t{"restartIndex", R}, gap_case_t{"indexFarOutOfRange", 0x7FFFFFF0u}),
                         [](const testing::TestParamInfo<gap_case_t>& info) { return std::string(info.param.label); });

} // namespace
