#include "model/texture.h"

#include <gtest/gtest.h>

namespace
{

TEST(TexturePath, ResolvesAgainstTheSceneFilesDirectory)
{
    struct Case {
        const char* base;
        const char* path;
        const char* full;
    } cases[] = {
        {"scenes/demo.vyk", "maps/wood.jpg", "scenes/maps/wood.jpg"},
        {"C:\\scenes\\demo.vyk", "wood.bmp", "C:\\scenes\\wood.bmp"}, // a drive and "\" separators
        {nullptr, "wood.jpg", "wood.jpg"},                            // no base file
        {"scenes/demo.vyk", "/tex/wood.jpg", "/tex/wood.jpg"},        // rooted: as it is
        {"scenes/demo.vyk", "D:wood.jpg", "D:wood.jpg"},              // a drive of its own
    };
    for (const Case& c : cases)
        EXPECT_EQ(vyk3d::resolveTexturePath(c.base, c.path), c.full) << (c.base ? c.base : "(null)") << " + " << c.path;
}

} // namespace
