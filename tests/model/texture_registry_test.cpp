#include "model/texture_registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

using registry = vyk3d::texture_registry_t<int>;

std::shared_ptr<int> value(int v)
{
    return std::make_shared<int>(v);
}

// A handle is slot | generation << 16; a freed slot is reused under a new
// generation, so the old handle names nothing.
TEST(TextureRegistry, HandlesPackSlotAndGenerationAndGoStale)
{
    registry r;
    uint32_t a = r.add("a", value(1));
    uint32_t b = r.add("b", value(2));
    uint32_t c = r.add("c", value(3));
    EXPECT_EQ(a, 0x00010000u);
    EXPECT_EQ(b, 0x00020001u);
    ASSERT_TRUE(r.remove(a));
    ASSERT_TRUE(r.remove(b));
    EXPECT_FALSE(r.remove(b));
    EXPECT_EQ(r.find("b"), 0u);
    uint32_t d = r.add("d", value(4)); // the most recently freed slot
    EXPECT_EQ(d, 0x00040001u);
    EXPECT_EQ(r.get(b), nullptr);
    EXPECT_EQ(*r.get(c), 3);
    EXPECT_EQ(r.get(c + 5), nullptr); // slot 7 does not exist
    EXPECT_EQ(r.add("null", nullptr), 0u);
    r.clear();
    EXPECT_EQ(r.get(c), nullptr);
    EXPECT_EQ(r.find("c"), 0u);
}

TEST(TextureRegistry, GenerationWrapsToOneNeverZero)
{
    registry r;
    for (int i = 0; i < 65535; ++i)
        r.remove(r.add("k", value(i)));
    // Slot 0 with generation 0 would be handle 0, which means none.
    uint32_t wrapped = r.add("k", value(1));
    EXPECT_EQ(wrapped, 0x00010000u);
    EXPECT_EQ(*r.get(wrapped), 1);
}

TEST(TextureRegistry, RefusesASlotBeyondSixteenBits)
{
    registry r;
    auto shared = value(7);
    for (size_t i = 0; i < registry::maxSlots; ++i)
        ASSERT_NE(r.add(std::to_string(i), shared), 0u);
    EXPECT_EQ(r.add("one too many", shared), 0u);
    EXPECT_EQ(r.find("one too many"), 0u);
}

} // namespace
