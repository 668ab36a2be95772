// Viewer arithmetic that needs no window: projection, morph clock, basedir.
#include "app/directory_part.h"
#include "app/morph_clock.h"
#include "app/vykview.h"

#include <gtest/gtest.h>

#include <cmath>
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

TEST(ViewFrustum, WindowWithoutAreaKeepsFiniteMatrices)
{
    const struct {
        int w, h;
    } sizes[] = {{800, 0}, {0, 600}, {0, 0}, {-5, 10}};
    for (const auto& s : sizes) {
        const projection f = viewFrustum(s.w, s.h);
        const mtx3w m = frustumMatrix(f), inv = frustumInverse(f);
        for (int i = 0; i < 16; ++i) {
            ASSERT_TRUE(std::isfinite(m[i])) << s.w << "x" << s.h;
            ASSERT_TRUE(std::isfinite(inv[i])) << s.w << "x" << s.h;
        }
        // The 4:3 view of the start-up window.
        EXPECT_NEAR(f.right / f.top, 4.0 / 3.0, 1e-9);
    }
}

TEST(MorphClock, StepAndRate)
{
    const struct {
        uint32_t elapsed;
        std::size_t steps;
        uint32_t step;
        float rate;
    } cases[] = {
        {0, 2, 0, 0.0f},     {2500, 2, 0, 0.5f}, {1999, 2, 1, 0.999f},        {3000, 3, 0, 0.0f},
        {4250, 3, 1, 0.25f}, {1500, 0, 0, 0.5f}, {0xFFFFFFFFu, 2, 1, 0.295f},
    };
    for (const auto& c : cases) {
        const morphPosition_t p = morphPosition(c.elapsed, c.steps);
        EXPECT_EQ(p.step, c.step) << c.elapsed;
        EXPECT_NEAR(p.rate, c.rate, 1e-6f) << c.elapsed;
    }
}

TEST(MorphClock, ElapsedAcrossTheClockWrap)
{
    EXPECT_EQ(elapsedSince(0xFFFFFF00u, 0x00000100u), 0x200u);
    EXPECT_EQ(elapsedSince(0xFFFFFFFFu, 2499u), 2500u); // the start value of a fresh viewer
    // Started 4096 ms before the wrap, 1476 ms after it: 5572 ms.
    const morphPosition_t p = morphPosition(elapsedSince(0xFFFFF000u, 1476u), 2);
    EXPECT_EQ(p.step, 1u);
    EXPECT_NEAR(p.rate, 0.572f, 1e-6f);
}

TEST(DirectoryPart, NamesAndSeparators)
{
    const struct {
        const char* name;
        const char* dir;
    } cases[] = {
        {"data/scene.vyk", "data/"},
        {"scene.vyk", ""},
        {"/abs/dir/x.stl", "/abs/dir/"},
        {"win\\dir\\x.vyk", "win\\dir\\"},
        {"mixed\\a/b.vyk", "mixed\\a/"},
        {"v1:sky/x.vyk", "v1:sky/"},
        {"d\xC3\xA9j\xC3\xA0/\xE6\x97\xA5.vyk", "d\xC3\xA9j\xC3\xA0/"}, // UTF-8
        {"", ""},
    };
    for (const auto& c : cases) {
        char out[kDirectoryPartSize];
        directoryPart(c.name, out);
        EXPECT_STREQ(out, c.dir) << c.name;
    }
    char out[kDirectoryPartSize];
    directoryPart(nullptr, out);
    EXPECT_STREQ(out, "");
}

TEST(DirectoryPart, LongNamesStayBounded)
{
    // A separator as the 259th byte still fits; the 260th does not.
    const struct {
        std::size_t slashAt;
        std::size_t expectLength;
    } cases[] = {{100, 101}, {258, 259}, {259, 101}, {400, 101}};
    for (const auto& c : cases) {
        std::string name(500, 'a');
        name[100] = '/';
        name[c.slashAt] = '/';
        char out[kDirectoryPartSize];
        std::memset(out, 'x', sizeof out);
        directoryPart(name.c_str(), out);
        EXPECT_EQ(std::strlen(out), c.expectLength) << c.slashAt;
        EXPECT_EQ(out[kDirectoryPartSize - 1], '\0');
    }
}

} // namespace
