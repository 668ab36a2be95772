// The GL buffer wrappers: what they keep and upload when arrays are grown,
// re-allocated and copied.

#include "gl/attribute_array.h"
#include "gl/element_array.h"
#include "gl/vertex_array.h"

#include "foundation/check_gl.h"
#include "support/gl_readback.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace vyk3d;
using vyktest::readBuffer;

namespace
{

// Wrappers without an object name 0, which GL reads as "no object": 1281,
// returned before, is a name a buffer or array may really have.
TEST(BufferNames, NeverGeneratedIsZero)
{
    const buffer_t buffer;
    const vertex_array_t array;
    EXPECT_EQ(buffer.name() + array.name(), 0u);
}

// A move takes the object and leaves the source at 0; the object is deleted
// once, with its last owner.
TEST(BufferNames, MoveTakesTheObject)
{
    vertex_array_t array, assigned;
    array.create();
    array.bind();
    const GLuint name = array.name();
    {
        vertex_array_t moved(std::move(array));
        assigned = std::move(moved);
        EXPECT_EQ(array.name() + moved.name(), 0u);
    }
    EXPECT_TRUE(assigned.name() == name && glIsVertexArray(name));
    assigned.release();
    EXPECT_FALSE(glIsVertexArray(name));
}

// Extending past the capacity grows it to four times the new size, records
// kept; within it nothing moves. The capacity never shrinks, and an upload
// takes only the bytes it is given.
TEST(AttributeArray, GrowsKeepingRecordsAndUploadsOnlyWhatItIsGiven)
{
    attribute_array_t a;
    std::vector<float> data(9 * 10);
    std::iota(data.begin(), data.end(), 0.5f);
    ASSERT_TRUE(a.allocate(10, vertexFormat(), data.data()));
    ASSERT_TRUE(a.extend(11));
    EXPECT_EQ(a.capacity(), 9 * 11 * 16);
    ASSERT_TRUE(a.extend(30));
    EXPECT_EQ(a.capacity(), 9 * 11 * 16);
    EXPECT_EQ(readBuffer<float>(a, data.size()), data);
    const float one = -7.5f;
    ASSERT_TRUE(a.allocate(3, vertexFormat(), &one, sizeof one));
    EXPECT_EQ(a.capacity(), 9 * 11 * 16);
    EXPECT_EQ(readBuffer<float>(a, 1), std::vector<float>{-7.5f});
    EXPECT_FALSE(checkGL("AttributeArray.GrowsKeepingRecordsAndUploadsOnlyWhatItIsGiven"));
}

// A copy into an array sharing the source's buffer gets a buffer of its own
// rather than clobbering the source.
TEST(AttributeArray, CopyFromIntoASharerLeavesTheSourceAlone)
{
    attribute_array_t source;
    const std::vector<float> data(7 * 3, 10.0f), other(7, -1.0f);
    ASSERT_TRUE(source.allocate(3, controlPointFormat(), data.data()));
    attribute_array_t sharer = source;
    ASSERT_TRUE(sharer.copyFrom(source));
    sharer.writeRecord(0, other.data());
    EXPECT_EQ(readBuffer<float>(source, data.size()), data);
    EXPECT_EQ(readBuffer<float>(sharer, 7), other);
}

// Re-allocating at the same count keeps the indices; a copy takes exactly
// the source's count, whatever the destination held.
TEST(ElementArray, ReallocateKeepsIndicesCopyTakesTheSourceCount)
{
    element_array_t source, dest;
    ASSERT_TRUE(source.allocate(3));
    {
        scoped_map_t<uint32_t> p(source);
        ASSERT_TRUE(p);
        std::iota(p.get(), p.get() + 3, 1u);
    }
    ASSERT_TRUE(source.allocate(3));
    ASSERT_TRUE(dest.allocate(40));
    ASSERT_TRUE(dest.copyFrom(source));
    EXPECT_EQ(dest.bytesInUse(), 12u);
    EXPECT_EQ(readBuffer<uint32_t>(dest, 3), (std::vector<uint32_t>{1, 2, 3}));
}

} // namespace
