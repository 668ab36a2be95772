// Pixels drawn through polygon_t::draw with a small program that shows the
// attributes at locations 1 (colour), 2 (texture coordinate) and 5 (normal):
// proves the vertex layout and primitive restart on a real rasteriser.

#include "../render/glpolygon_fixture.h"
#include "foundation/check_gl.h"
#include "gl/program.h"
#include "gl/scoped_map.h"
#include "gl/shader.h"
#include "model/polygon.h"
#include "support/gl_context.h"
#include "support/gl_readback.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace vyk3d;

namespace
{

const char* vertexSource = "#version 330\n"
                           "layout(location = 0) in vec3 Position;\n"
                           "layout(location = 1) in vec4 Color;\n"
                           "layout(location = 2) in vec2 TexCoord;\n"
                           "layout(location = 5) in vec3 Normal;\n"
                           "out vec4 shade;\n"
                           "void main() { shade = vec4(Color.r, TexCoord.x, Normal.z, 1.0); "
                           "gl_Position = vec4(Position, 1.0); }\n";

const char* fragmentSource = "#version 330\nin vec4 shade;\nlayout(location = 0) out vec4 color;\n"
                             "void main() { color = shade; }\n";

// Draws quads given as (x0, x1, y0, y1), each a strip of its four corners
// (colour 1, u = 0.5, normal +z), with `elements`, into a 32 x 32 target;
// returns for each pixel whether it is covered (-1 for a wrong shade).
std::vector<int> drawQuads(const std::vector<float>& quads, const std::vector<uint32_t>& elements)
{
    shader_t vs, fs;
    program_t program;
    EXPECT_TRUE(vs.allocate(GL_VERTEX_SHADER, vertexSource, GLint(std::strlen(vertexSource))));
    EXPECT_TRUE(fs.allocate(GL_FRAGMENT_SHADER, fragmentSource, GLint(std::strlen(fragmentSource))));
    EXPECT_TRUE(program.create());
    program.attach(vs);
    program.attach(fs);
    EXPECT_TRUE(program.link()) << program.infoLog();
    std::vector<float> records, frames;
    for (size_t q = 0; q < quads.size() / 4; ++q) {
        const float* c = &quads[4 * q];
        const float corners[4][2] = {{c[0], c[2]}, {c[1], c[2]}, {c[0], c[3]}, {c[1], c[3]}};
        for (const auto& xy : corners) {
            records.insert(records.end(), {xy[0], xy[1], 0, 1, 1, 1, 1, 0.5f, 0.5f});
            frames.insert(frames.end(), {0, 0, 0, 0, 0, 0, 0, 0, 1});
        }
    }
    polygon_t poly;
    EXPECT_TRUE(rendertest::fillPolygon(poly, records, frames, elements));
    vyktest::OffscreenTarget target(32);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    program.use();
    poly.draw();
    program.unuse();
    EXPECT_FALSE(checkGL("drawQuads"));
    const std::vector<uint8_t> rgba = target.pixels();
    std::vector<int> covered;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const uint8_t* p = &rgba[i];
        const bool empty = (p[0] | p[1] | p[2]) == 0;
        const bool shaded = p[0] == 255 && p[1] >= 127 && p[1] <= 129 && p[2] == 255;
        covered.push_back(empty ? 0 : shaded ? 1 : -1);
    }
    return covered;
}

TEST(PolygonPixels, QuadCoversItsPixels)
{
    vyktest::glContext();
    const std::vector<int> covered = drawQuads({-0.5f, 0.5f, -0.5f, 0.5f}, {0, 1, 2, 3});
    ASSERT_EQ(covered.size(), 32u * 32u);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            EXPECT_EQ(covered[y * 32 + x], x >= 8 && x < 24 && y >= 8 && y < 24) << x << "," << y;
}

// Without the break a strip would run on through (2, 3, 4) and (3, 4, 5),
// filling the gap between the quads; an index far out of range breaks the
// strip like the restart index, and draws without a crash.
TEST(PolygonPixels, StripsSeparatedByABreakLeaveTheGapEmpty)
{
    vyktest::glContext();
    for (uint32_t separator : {restartIndex, 0x7FFFFFF0u}) {
        SCOPED_TRACE(separator);
        const std::vector<int> covered = drawQuads({-0.875f, -0.375f, -0.5f, 0.5f, 0.375f, 0.875f, -0.5f, 0.5f},
                                                   {0, 1, 2, 3, separator, 4, 5, 6, 7});
        ASSERT_EQ(covered.size(), 32u * 32u);
        for (int y = 10; y < 22; ++y)
            for (int x = 0; x < 32; ++x) // left quad: pixels 2 to 9; right quad: 22 to 29
                EXPECT_EQ(covered[y * 32 + x], (x >= 2 && x < 10) || (x >= 22 && x < 30)) << x << "," << y;
    }
}

} // namespace
