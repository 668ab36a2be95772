#include "foundation/check_gl.h"
#include "render/attribute_array.h"
#include "render/buffer.h"
#include "render/element_array.h"
#include "render/scoped_map.h"
#include "render/vertex_array.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

using namespace vyk3d;

namespace
{

std::vector<float> iota(size_t n, float first = 0.0f)
{
    std::vector<float> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

std::vector<float> readBack(attribute_array_t& array, size_t floats)
{
    scoped_map_t<const float> p(array, GL_MAP_READ_BIT);
    if (!p)
        return {};
    return std::vector<float>(p.get(), p.get() + floats);
}

TEST(AttributeArray, AllocateUploadsAndMapsBack)
{
    vyktest::glContext();
    attribute_array_t a;
    const std::vector<float> data = iota(9 * 4, 1.0f);
    ASSERT_TRUE(a.allocate(4, vertexFormat(), data.data(), data.size() * 4));
    EXPECT_EQ(a.stride(), 9u);
    EXPECT_EQ(a.count(), 4u);
    EXPECT_EQ(a.capacity(), 9 * 4 * 4);
    EXPECT_EQ(readBack(a, data.size()), data);

    // Written through the mapping, read back through readRecord.
    {
        scoped_map_t<float> p(a);
        ASSERT_TRUE(p);
        p[9 * 2 + 4] = -7.5f;
    }
    std::vector<float> record(9);
    a.readRecord(2, record.data());
    EXPECT_EQ(record[4], -7.5f);
    EXPECT_EQ(record[0], 19.0f);
    EXPECT_FALSE(checkGL("AttributeArray.AllocateUploadsAndMapsBack"));
}

TEST(AttributeArray, ExtendKeepsRecordsAndGrowsFourTimes)
{
    vyktest::glContext();
    attribute_array_t a;
    const std::vector<float> data = iota(9 * 10, 0.5f);
    ASSERT_TRUE(a.allocate(10, vertexFormat(), data.data()));
    ASSERT_TRUE(a.extend(11));
    EXPECT_EQ(a.count(), 11u);
    EXPECT_EQ(a.capacity(), 9 * 11 * 16);
    EXPECT_EQ(readBack(a, 9 * 10), data);
    // Still room: no regrowth, same capacity.
    ASSERT_TRUE(a.extend(30));
    EXPECT_EQ(a.capacity(), 9 * 11 * 16);
    EXPECT_TRUE(a.extend(30)); // unchanged count
    EXPECT_EQ(readBack(a, 9 * 10), data);
    EXPECT_FALSE(checkGL("AttributeArray.ExtendKeepsRecordsAndGrowsFourTimes"));
}

TEST(AttributeArray, ExtendWithoutBufferFails)
{
    vyktest::glContext();
    attribute_array_t a;
    EXPECT_FALSE(a.extend(3));
    EXPECT_EQ(a.count(), 0u);
}

TEST(AttributeArray, ReallocateToFewerRecordsUploadsOnlyTheCallersData)
{
    vyktest::glContext();
    attribute_array_t a;
    ASSERT_TRUE(a.allocate(100, pointSizeFormat()));
    // Capacity stays at 400 bytes; the upload must take just these 3 floats.
    const std::vector<float> three{1.0f, 2.0f, 3.0f};
    ASSERT_TRUE(a.allocate(3, pointSizeFormat(), three.data()));
    EXPECT_EQ(a.capacity(), 400);
    EXPECT_EQ(a.bytesInUse(), 12u);
    EXPECT_EQ(readBack(a, 3), three);
    // A short buffer given with its size uploads only that much.
    const float one = 9.0f;
    ASSERT_TRUE(a.allocate(3, pointSizeFormat(), &one, sizeof one));
    EXPECT_EQ(readBack(a, 1), std::vector<float>{9.0f});
    a.uploadAll(three.data());
    EXPECT_EQ(readBack(a, 3), three);
}

TEST(AttributeArray, CopyFromMakesAnIndependentCopy)
{
    vyktest::glContext();
    attribute_array_t source;
    const std::vector<float> data = iota(7 * 3, 10.0f);
    ASSERT_TRUE(source.allocate(3, controlPointFormat(), data.data()));
    attribute_array_t copy;
    ASSERT_TRUE(copy.allocate(50, controlPointFormat()));
    ASSERT_TRUE(copy.copyFrom(source));
    EXPECT_EQ(copy.count(), 3u);
    EXPECT_EQ(copy.stride(), 7u);
    EXPECT_NE(copy.bufferName(), source.bufferName());
    EXPECT_EQ(readBack(copy, data.size()), data);
    const std::vector<float> other(7, -1.0f);
    copy.writeRecord(0, other.data());
    EXPECT_EQ(readBack(source, data.size()), data);

    // A copy of an array sharing our buffer must not clobber the sharer.
    attribute_array_t sharer = source;
    EXPECT_EQ(sharer.bufferName(), source.bufferName());
    ASSERT_TRUE(sharer.copyFrom(source));
    EXPECT_NE(sharer.bufferName(), source.bufferName());
    EXPECT_EQ(readBack(source, data.size()), data);
    EXPECT_EQ(readBack(sharer, data.size()), data);
}

TEST(AttributeArray, TooManyKindsIsRefused)
{
    vyktest::glContext();
    GLint maxAttribs = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &maxAttribs);
    const std::vector<element_t> kinds(size_t(maxAttribs) + 1, element_t::PointSize);
    const vertex_format_t wide = makeFormat(kinds.data(), kinds.size());
    ASSERT_EQ(wide.size(), kinds.size());
    attribute_array_t a;
    EXPECT_FALSE(a.allocate(1, wide));
    EXPECT_EQ(a.bufferName(), 0u);
    EXPECT_EQ(a.count(), 0u);
}

TEST(AttributeArray, MapMessages)
{
    vyktest::glContext();
    attribute_array_t a;
    testing::internal::CaptureStderr();
    EXPECT_EQ(a.map(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "array buffer is not allocated.\n");

    element_array_t e;
    testing::internal::CaptureStderr();
    EXPECT_EQ(e.map(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "element object is not allocated.\n");

    // A buffer already mapped cannot be mapped twice.
    ASSERT_TRUE(a.allocate(2, pointSizeFormat()));
    scoped_map_t<float> first(a);
    ASSERT_TRUE(first);
    testing::internal::CaptureStderr();
    EXPECT_EQ(a.map(), nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("buffer_t::MapBufferRange(): ptr is NULL.\narray pointer is NULL.\n"), std::string::npos) << err;
    glGetError(); // the refused second mapping
}

TEST(AttributeArray, BindAttributesLaysKindsOnConsecutiveLocations)
{
    vyktest::glContext();
    attribute_array_t vertices;
    attribute_array_t frames;
    ASSERT_TRUE(vertices.allocate(1, vertexFormat()));
    ASSERT_TRUE(frames.allocate(1, frameFormat()));
    vertex_array_t vao;
    vao.create();
    vertices.bindAttributes(vao, 0);
    frames.bindAttributes(vao, 3);

    struct expect_t {
        GLuint location;
        GLint size, type, normalized, stride, offset;
        GLuint buffer;
    };
    const expect_t table[] = {
        {0, 3, GL_FLOAT, GL_FALSE, 36, 0, vertices.bufferName()},  // Position
        {1, 4, GL_FLOAT, GL_TRUE, 36, 12, vertices.bufferName()},  // RGBA
        {2, 2, GL_FLOAT, GL_FALSE, 36, 28, vertices.bufferName()}, // TexCoord2
        {3, 3, GL_FLOAT, GL_TRUE, 36, 0, frames.bufferName()},     // tangent
        {4, 3, GL_FLOAT, GL_TRUE, 36, 12, frames.bufferName()},    // binormal
        {5, 3, GL_FLOAT, GL_TRUE, 36, 24, frames.bufferName()},    // normal
    };
    vao.bind();
    for (const expect_t& e : table) {
        SCOPED_TRACE(e.location);
        GLint v = 0;
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &v);
        EXPECT_EQ(v, GL_TRUE);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &v);
        EXPECT_EQ(v, e.size);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &v);
        EXPECT_EQ(v, e.type);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &v);
        EXPECT_EQ(v, e.normalized);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &v);
        EXPECT_EQ(v, e.stride);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &v);
        EXPECT_EQ(GLuint(v), e.buffer);
        void* offset = nullptr;
        glGetVertexAttribPointerv(e.location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(offset), uintptr_t(e.offset));
    }
    GLint enabled = 1;
    glGetVertexAttribiv(6, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, GL_FALSE);
    vao.unbind();
}

TEST(GLNames, NeverGeneratedObjectsAnswer1281)
{
    vyktest::glContext();
    buffer_t buffer;
    vertex_array_t vao;
    EXPECT_EQ(buffer.name(), 1281u);
    EXPECT_EQ(vao.name(), 1281u);
    buffer.generate(GL_ARRAY_BUFFER);
    vao.create();
    EXPECT_NE(buffer.name(), 1281u);
    EXPECT_NE(vao.name(), 1281u);
    buffer.release();
    EXPECT_EQ(buffer.name(), 1281u);
}

TEST(VertexArray, LastCopyDeletesTheGLObject)
{
    vyktest::glContext();
    vertex_array_t a;
    a.create();
    const GLuint name = a.name();
    {
        vertex_array_t b = a;
        EXPECT_EQ(b.name(), name);
        a.release();
        b.bind();
        EXPECT_EQ(glIsVertexArray(name), GL_TRUE);
        b.unbind();
    }
    EXPECT_EQ(glIsVertexArray(name), GL_FALSE);
}

} // namespace
