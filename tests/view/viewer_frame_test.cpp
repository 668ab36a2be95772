// Viewer arithmetic that needs no window: projection, morph clock, basedir.
#include "view/directory_part.h"
#include "view/morph_clock.h"
#include "view/scene_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

TEST(ViewFrustum, Window800x600)
{
    const projection f = viewFrustum(800, 600);
    EXPECT_NEAR(f.right, 0.008, 1e-12);
    EXPECT_NEAR(f.left, -0.008, 1e-12);
    EXPECT_NEAR(f.top, 0.006, 1e-12);
    EXPECT_NEAR(f.bottom, -0.006, 1e-12);
    EXPECT_EQ(f.near, 0.01);
    EXPECT_EQ(f.far, 1000.0);
    projection far{};
    viewFrustum(800, 600, &far);
    EXPECT_NEAR(far.right, 800.0, 1e-9);
    EXPECT_NEAR(far.top, 600.0, 1e-9);
}

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

TEST(DirectoryPart, NamesSeparatorsAndLength)
{
    std::string longName(500, 'a'), at258 = longName, at259 = longName;
    longName[100] = at258[100] = at259[100] = '/';
    at258[258] = '/'; // the 259th byte still fits, the 260th does not
    at259[259] = '/';
    const struct {
        std::string name, dir;
    } cases[] = {
        {"data/scene.vyk", "data/"},
        {"scene.vyk", ""},
        {"/abs/dir/x.stl", "/abs/dir/"},
        {"win\\dir\\x.vyk", "win\\dir\\"},
        {"mixed\\a/b.vyk", "mixed\\a/"},
        {"v1:sky/x.vyk", "v1:sky/"},
        {"d\xC3\xA9j\xC3\xA0/\xE6\x97\xA5.vyk", "d\xC3\xA9j\xC3\xA0/"}, // UTF-8
        {"", ""},
        {longName, longName.substr(0, 101)},
        {at258, at258.substr(0, 259)},
        {at259, at259.substr(0, 101)},
    };
    for (const auto& c : cases) {
        char out[kDirectoryPartSize];
        std::memset(out, 'x', sizeof out);
        directoryPart(c.name.c_str(), out);
        EXPECT_EQ(std::string(out), c.dir) << c.name;
    }
    char out[kDirectoryPartSize];
    directoryPart(nullptr, out);
    EXPECT_STREQ(out, "");
}

} // namespace
