#include "model/texture_registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using registry = vyk3d::texture_registry_t<int>;

std::shared_ptr<int> value(int v) { return std::make_shared<int>(v); }

TEST(TextureRegistry, HandlesPackSlotAndGeneration) {
    registry r;
    EXPECT_EQ(r.find("a"), 0u);
    uint32_t a = r.add("a", value(1));
    uint32_t b = r.add("b", value(2));
    EXPECT_EQ(a, 0x00010000u);  // slot 0, generation 1
    EXPECT_EQ(b, 0x00020001u);  // slot 1, generation 2
    EXPECT_EQ(r.find("a"), a);
    EXPECT_EQ(r.find("b"), b);
    EXPECT_EQ(*r.get(a), 1);
    EXPECT_EQ(*r.get(b), 2);
    EXPECT_EQ(r.get(0), nullptr);
    EXPECT_EQ(r.count(), 2u);
}

TEST(TextureRegistry, ReusesTheMostRecentlyFreedSlotAndRejectsStaleHandles) {
    registry r;
    uint32_t a = r.add("a", value(1));
    uint32_t b = r.add("b", value(2));
    uint32_t c = r.add("c", value(3));
    ASSERT_TRUE(r.remove(a));
    ASSERT_TRUE(r.remove(b));
    EXPECT_FALSE(r.remove(b));
    EXPECT_EQ(r.find("b"), 0u);
    uint32_t d = r.add("d", value(4));
    EXPECT_EQ(registry::slotOf(d), registry::slotOf(b));
    EXPECT_EQ(registry::generationOf(d), 4u);
    // The old handle of the slot no longer names anything.
    EXPECT_EQ(r.get(b), nullptr);
    EXPECT_EQ(*r.get(d), 4);
    EXPECT_EQ(*r.get(c), 3);
    EXPECT_EQ(registry::slotOf(r.add("e", value(5))), registry::slotOf(a));
    EXPECT_EQ(r.slots(), 3u);
}

TEST(TextureRegistry, OutOfRangeAndForeignHandlesNameNothing) {
    registry r;
    uint32_t a = r.add("a", value(1));
    EXPECT_EQ(r.get(a + 5), nullptr);                 // slot 5 does not exist
    EXPECT_EQ(r.get((a & 0xFFFF) | (9u << 16)), nullptr);  // wrong generation
    EXPECT_EQ(r.add("null", nullptr), 0u);
}

TEST(TextureRegistry, GenerationWrapsToOneNeverZero) {
    registry r;
    // Run the counter to its last value: 65535 adds and removes on slot 0.
    for (int i = 0; i < 65534; ++i) r.remove(r.add("k", value(i)));
    uint32_t last = r.add("k", value(0));
    EXPECT_EQ(registry::generationOf(last), 65535u);
    r.remove(last);
    uint32_t wrapped = r.add("k", value(1));
    // Slot 0 with generation 0 would be handle 0, which means none.
    EXPECT_NE(wrapped, 0u);
    EXPECT_EQ(registry::generationOf(wrapped), 1u);
    EXPECT_EQ(*r.get(wrapped), 1);
}

TEST(TextureRegistry, RefusesASlotBeyondSixteenBits) {
    registry r;
    auto shared = value(7);
    for (size_t i = 0; i < registry::maxSlots; ++i) ASSERT_NE(r.add(std::to_string(i), shared), 0u);
    EXPECT_EQ(r.add("one too many", shared), 0u);
    EXPECT_EQ(r.find("one too many"), 0u);
}

TEST(TextureRegistry, ClearReleasesEntriesAndForgetsHandles) {
    registry r;
    auto v = value(1);
    uint32_t a = r.add("a", v);
    EXPECT_EQ(v.use_count(), 2);
    r.clear();
    EXPECT_EQ(v.use_count(), 1);
    EXPECT_EQ(r.get(a), nullptr);
    EXPECT_EQ(r.find("a"), 0u);
    uint32_t b = r.add("b", value(2));
    EXPECT_NE(b, a);  // the generation counter kept running
}

}  // namespace
