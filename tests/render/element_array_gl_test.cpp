#include "render/element_array.h"
#include "render/scoped_map.h"
#include "support/gl_context.h"

#include "foundation/check_gl.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

using namespace vyk3d;

namespace
{

void fill(element_array_t& e, const std::vector<uint32_t>& values)
{
    scoped_map_t<uint32_t> p(e);
    ASSERT_TRUE(p);
    for (size_t i = 0; i < values.size(); ++i)
        p[i] = values[i];
}

std::vector<uint32_t> contents(element_array_t& e, size_t n)
{
    scoped_map_t<const uint32_t> p(e, GL_MAP_READ_BIT);
    if (!p)
        return {};
    return std::vector<uint32_t>(p.get(), p.get() + n);
}

TEST(ElementArray, ReallocateAtSameCountKeepsIndices)
{
    vyktest::glContext();
    element_array_t e;
    ASSERT_TRUE(e.allocate(5));
    fill(e, {4, 3, 2, 1, 0});
    ASSERT_TRUE(e.allocate(5));
    EXPECT_EQ(contents(e, 5), (std::vector<uint32_t>{4, 3, 2, 1, 0}));
    EXPECT_EQ(e.capacity(), 20);
    ASSERT_TRUE(e.allocate(2)); // capacity only grows
    EXPECT_EQ(e.count(), 2u);
    EXPECT_EQ(e.capacity(), 20);
}

TEST(ElementArray, ExtendKeepsIndicesAndGrowsFourTimes)
{
    vyktest::glContext();
    element_array_t e;
    ASSERT_TRUE(e.allocate(3));
    fill(e, {7, 8, restartIndex});
    ASSERT_TRUE(e.extend(4));
    EXPECT_EQ(e.count(), 4u);
    EXPECT_EQ(e.capacity(), 4 * 16);
    EXPECT_EQ(contents(e, 3), (std::vector<uint32_t>{7, 8, restartIndex}));
    EXPECT_FALSE(checkGL("ElementArray.ExtendKeepsIndicesAndGrowsFourTimes"));
}

TEST(ElementArray, CopyFromCopiesExactlyTheSourceCount)
{
    vyktest::glContext();
    element_array_t source;
    ASSERT_TRUE(source.allocate(3));
    fill(source, {1, 2, 3});
    element_array_t dest;
    ASSERT_TRUE(dest.allocate(40));
    fill(dest, std::vector<uint32_t>(40, 99));
    ASSERT_TRUE(dest.copyFrom(source));
    EXPECT_EQ(dest.count(), 3u);
    EXPECT_EQ(dest.bytesInUse(), 12u);
    EXPECT_EQ(contents(dest, 3), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_NE(dest.bufferName(), source.bufferName());
}

TEST(ElementArray, DrawWithoutBufferDoesNothing)
{
    vyktest::glContext();
    element_array_t e;
    vertex_array_t vao;
    testing::internal::CaptureStderr();
    e.draw(vao, GL_TRIANGLES);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
