#include "view/morph_clock.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{

// Elapsed milliseconds (from a start and a clock value, across the 32-bit
// wrap) and the number of steps give the step shown and the blend rate.
TEST(MorphClock, StepAndRate)
{
    const struct {
        uint32_t start, now;
        std::size_t steps;
        uint32_t step;
        float rate;
    } cases[] = {
        {0, 0, 2, 0, 0.0f},
        {0, 2500, 2, 0, 0.5f},
        {0, 1999, 2, 1, 0.999f},
        {0, 4250, 3, 1, 0.25f},
        {0, 1500, 0, 0, 0.5f},
        {0, 0xFFFFFFFFu, 2, 1, 0.295f},
        {0xFFFFFFFFu, 2499u, 2, 0, 0.5f},   // the start value of a fresh viewer
        {0xFFFFF000u, 1476u, 2, 1, 0.572f}, // 4096 ms before the wrap, 1476 after
    };
    for (const auto& c : cases) {
        const morphPosition_t p = morphPosition(elapsedSince(c.start, c.now), c.steps);
        EXPECT_EQ(p.step, c.step) << c.start << " " << c.now;
        EXPECT_NEAR(p.rate, c.rate, 1e-6f) << c.start << " " << c.now;
    }
}

} // namespace
