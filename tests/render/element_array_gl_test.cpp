#include "render/element_array.h"

#include "render/scoped_map.h"
#include "support/gl_context.h"
#include "support/gl_readback.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

void fill(element_array_t& e, const std::vector<uint32_t>& values)
{
    scoped_map_t<uint32_t> p(e);
    ASSERT_TRUE(p);
    for (size_t i = 0; i < values.size(); ++i)
        p[i] = values[i];
}

TEST(ElementArray, ReallocateAtSameCountKeepsIndices)
{
    vyktest::glContext();
    element_array_t e;
    ASSERT_TRUE(e.allocate(5));
    fill(e, {4, 3, 2, 1, 0});
    ASSERT_TRUE(e.allocate(5));
    EXPECT_EQ(readBuffer<uint32_t>(e, 5), (std::vector<uint32_t>{4, 3, 2, 1, 0}));
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
    EXPECT_EQ(readBuffer<uint32_t>(dest, 3), (std::vector<uint32_t>{1, 2, 3}));
}

} // namespace
