// The STL writers: the bytes of each form, the header, failures.
#include "sceneio/stl.h"

#include "sceneio/scene.h"
#include "support/paths.h"
#include "support/polygon_fill.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

// The files written are data files that the reader's test loads too.
TEST(StlWrite, BytesOfEachForm)
{
    // Elements 0, 1, 2, 3 close (0, 1, 2) and then (2, 1, 3); a normal
    // (q1 - q0) x (q2 - q1) keeps the signs of its zero products.
    scene_t strips, one; // the strip twice; one triangle
    for (int i = 0; i < 2; ++i)
        vyktest::fillPolygon(strips.addModel(model_t::Polygon).polygon, {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, 3,
                             {0, 1, 2, 3});
    vyktest::fillPolygon(one.addModel(model_t::Polygon).polygon, {0, 0, 0, 2, 0, 0, 0, 0.5f, 0}, 3,
                         {0, 1, 2, 0xFFFFFFFFu});
    vyktest::TempDir dir;
    const std::string scenes = vyktest::sourcePath("tests/data/scenes/");
    ASSERT_TRUE(writeStlBinary(dir.file("b.stl"), *strips.models.front(), "strip") &&
                writeStlText(dir.file("t.stl"), one.models, "one"));
    EXPECT_EQ(vyktest::readFile(dir.file("b.stl")), vyktest::readFile(scenes + "stl_binary_written.stl"));
    EXPECT_EQ(vyktest::readFile(dir.file("t.stl")), vyktest::readFile(scenes + "stl_text_written.stl"));
    // Without a header name the file name is the header, cut to 80 bytes.
    const std::string longName = dir.file(std::string(100, 'n') + ".stl");
    ASSERT_TRUE(writeStlBinary(longName, strips.models));
    const std::string bytes = vyktest::readFile(longName);
    EXPECT_EQ(bytes.substr(0, 84), longName.substr(0, 80) + std::string("\4\0\0\0", 4));
    EXPECT_EQ(bytes.size(), 84u + 4 * 50);
    // A full disk fails once the buffer is flushed.
    for (const char* path : {"/dev/full", "/nonexistent-dir/x.stl"})
        EXPECT_FALSE(writeStlBinary(path, one.models) || writeStlText(path, one.models)) << path;
}
