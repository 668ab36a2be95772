// The GL buffer wrappers: attribute arrays, element arrays and their names.

#include "gl/attribute_array.h"
#include "gl/buffer.h"
#include "gl/element_array.h"

#include "foundation/check_gl.h"
#include "gl/scoped_map.h"
#include "gl/vertex_array.h"
#include "support/gl_readback.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

std::vector<float> iota(size_t n, float first)
{
    std::vector<float> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

TEST(AttributeArray, AllocateMapAndExtendKeepRecords)
{
    attribute_array_t a;
    const std::vector<float> data = iota(9 * 10, 0.5f);
    ASSERT_TRUE(a.allocate(10, vertexFormat(), data.data()));
    EXPECT_EQ(a.stride(), 9u);
    EXPECT_EQ(readBuffer<float>(a, data.size()), data);
    {
        scoped_map_t<float> p(a);
        ASSERT_TRUE(p);
        p[9 * 2 + 4] = -7.5f;
    }
    std::vector<float> record(9);
    a.readRecord(2, record.data());
    EXPECT_EQ(record[4], -7.5f);
    EXPECT_EQ(record[0], 18.5f);

    // 10 to 11 records grows to four times the new size, contents kept.
    ASSERT_TRUE(a.extend(11));
    EXPECT_EQ(a.count(), 11u);
    EXPECT_EQ(a.capacity(), 9 * 11 * 16);
    EXPECT_EQ(readBuffer<float>(a, 18), std::vector<float>(data.begin(), data.begin() + 18));
    ASSERT_TRUE(a.extend(30)); // still room: no regrowth
    EXPECT_EQ(a.capacity(), 9 * 11 * 16);
    EXPECT_EQ(readBuffer<float>(a, 9)[8], 8.5f);
    EXPECT_FALSE(checkGL("AttributeArray.AllocateMapAndExtendKeepRecords"));
}

// The capacity only grows; uploads take the bytes in use, never the capacity.
TEST(AttributeArray, ReallocateToFewerRecordsUploadsOnlyTheCallersData)
{
    attribute_array_t a;
    ASSERT_TRUE(a.allocate(100, pointSizeFormat()));
    const std::vector<float> three{1.0f, 2.0f, 3.0f};
    ASSERT_TRUE(a.allocate(3, pointSizeFormat(), three.data()));
    EXPECT_EQ(a.capacity(), 400);
    EXPECT_EQ(a.bytesInUse(), 12u);
    EXPECT_EQ(readBuffer<float>(a, 3), three);
    // A short buffer given with its size uploads only that much.
    const float one = 9.0f;
    ASSERT_TRUE(a.allocate(3, pointSizeFormat(), &one, sizeof one));
    EXPECT_EQ(readBuffer<float>(a, 1), std::vector<float>{9.0f});
}

// A copy into an array sharing the source's buffer gets a buffer of its own
// rather than clobbering the source.
TEST(AttributeArray, CopyFromIntoASharerLeavesTheSourceAlone)
{
    attribute_array_t source;
    const std::vector<float> data = iota(7 * 3, 10.0f);
    ASSERT_TRUE(source.allocate(3, controlPointFormat(), data.data()));
    attribute_array_t sharer = source;
    ASSERT_TRUE(sharer.copyFrom(source));
    EXPECT_NE(sharer.bufferName(), source.bufferName());
    const std::vector<float> other(7, -1.0f);
    sharer.writeRecord(0, other.data());
    EXPECT_EQ(readBuffer<float>(source, data.size()), data);
    EXPECT_EQ(readBuffer<float>(sharer, 7), other);
}

void fill(element_array_t& e, const std::vector<uint32_t>& values)
{
    scoped_map_t<uint32_t> p(e);
    ASSERT_TRUE(p);
    for (size_t i = 0; i < values.size(); ++i)
        p[i] = values[i];
}

// Reallocating at the same count keeps the indices; a copy takes exactly
// the source's count, whatever the destination held.
TEST(ElementArray, ReallocateKeepsIndicesCopyTakesTheSourceCount)
{
    element_array_t source, dest;
    ASSERT_TRUE(source.allocate(3));
    fill(source, {1, 2, 3});
    ASSERT_TRUE(source.allocate(3));
    ASSERT_TRUE(dest.allocate(40));
    fill(dest, std::vector<uint32_t>(40, 99));
    ASSERT_TRUE(dest.copyFrom(source));
    EXPECT_EQ(dest.count(), 3u);
    EXPECT_EQ(dest.bytesInUse(), 12u);
    EXPECT_EQ(readBuffer<uint32_t>(dest, 3), (std::vector<uint32_t>{1, 2, 3}));
}

} // namespace
