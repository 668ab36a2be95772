#include "model/texture_registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

using registry = vyk3d::texture_registry_t<int>;
using std::make_shared;

// A handle is slot | generation << 16; a freed slot is reused under a new
// generation, so the old handle names nothing.
TEST(TextureRegistry, HandlesPackSlotAndGenerationAndGoStale)
{
    registry r;
    const uint32_t a = r.add("a", make_shared<int>(1)), b = r.add("b", make_shared<int>(2)),
                   c = r.add("c", make_shared<int>(3));
    EXPECT_EQ(b, 0x00020001u);
    ASSERT_TRUE(r.remove(a) && r.remove(b));
    EXPECT_FALSE(r.remove(b));
    EXPECT_EQ(r.find("b"), 0u);
    EXPECT_EQ(r.add("d", make_shared<int>(4)), 0x00040001u); // the most recently freed slot
    EXPECT_EQ(r.get(b), nullptr);
    EXPECT_EQ(*r.get(c), 3);
    EXPECT_EQ(r.get(c + 5), nullptr); // slot 7 does not exist
    EXPECT_EQ(r.add("null", nullptr), 0u);
    r.clear();
    EXPECT_EQ(r.get(c), nullptr);
    EXPECT_EQ(r.find("c"), 0u);
}

// Slot 0 with generation 0 would be handle 0, which means none; a 17th slot
// bit would alias slot 0.
TEST(TextureRegistry, GenerationWrapsToOneAndSlotsStopAtSixteenBits)
{
    registry r;
    for (int i = 0; i < 65535; ++i)
        r.remove(r.add("k", make_shared<int>(i)));
    EXPECT_EQ(r.add("k", make_shared<int>(1)), 0x00010000u);
    const auto shared = make_shared<int>(7);
    for (size_t i = 1; i < registry::maxSlots; ++i)
        ASSERT_NE(r.add(std::to_string(i), shared), 0u);
    EXPECT_EQ(r.add("one too many", shared), 0u);
    EXPECT_EQ(r.find("one too many"), 0u);
}

} // namespace
