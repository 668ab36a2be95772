// Draws handed to a software rasteriser a piece at a time.

#include "gl/software_driver.h"

#include "foundation/check_gl.h"
#include "support/gl_readback.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// Every triangle of a list drawn in pieces is drawn once: triangle k covers
// the centre of pixel k mod 60² (a count that does not divide a piece), and
// each cover adds 1 to its red.
TEST(SoftwareDriver, PiecesDrawEveryTriangleOnce)
{
    ASSERT_TRUE(softwareRasteriser());
    const int size = 60, pixels = size * size;
    const uint64_t triangles = 3 * trianglesAtOnce() + 123;
    std::vector<float> corners;
    corners.reserve(triangles * 6);
    const float d = 0.4f * 2 / size; // 0.4 pixel
    for (uint64_t k = 0; k < triangles; ++k) {
        const int p = int(k % pixels);
        const float x = (p % size + 0.5f) * 2 / size - 1, y = (p / size + 0.5f) * 2 / size - 1;
        corners.insert(corners.end(), {x - d, y - d, x + d, y - d, x, y + d});
    }
    vyktest::OffscreenTarget target(size);
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(corners.size() * sizeof(float)), corners.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, nullptr);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(1.0f / 255, 0.0f, 0.0f, 0.0f);
    drawTrianglesInPieces(0, triangles);
    glDisable(GL_BLEND);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteBuffers(1, &buffer);

    const std::vector<uint8_t> rgba = target.pixels();
    for (int p = 0; p < pixels; ++p)
        ASSERT_EQ(rgba[4 * p], triangles / pixels + (uint64_t(p) < triangles % pixels)) << "pixel " << p;
    EXPECT_FALSE(checkGL("SoftwareDriver.PiecesDrawEveryTriangleOnce"));
}

} // namespace
