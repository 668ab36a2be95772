#include "foundation/path.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(PathTest, SplitPath)
{
    struct {
        const char* name;
        const char *drive, *directory, *base, *extension;
    } cases[] = {
        {"D:\\scenes\\sky.jpg", "D:", "\\scenes\\", "sky", ".jpg"},
        {"sky", "", "", "sky", ""},
        {"a.b/c", "", "a.b/", "c", ""},
        {"/work/scenes/demo.vyk", "", "/work/scenes/", "demo", ".vyk"},
        {"models\\x/y.tar.gz", "", "models\\x/", "y.tar", ".gz"},
        {"v1:sky.jpg", "", "", "v1:sky", ".jpg"}, // not a drive: keeps its text
        {"dir/v1:sky.jpg", "", "dir/", "v1:sky", ".jpg"},
        {"C:model.stl", "C:", "", "model", ".stl"},
        {"", "", "", "", ""},
        {"scenes/", "", "scenes/", "", ""},
        {".hidden", "", "", "", ".hidden"},
        {"\xc3\xa9t\xc3\xa9/ciel.jpg", "", "\xc3\xa9t\xc3\xa9/", "ciel", ".jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        splitpath_t p = splitPath(c.name);
        EXPECT_EQ(std::string(p.drive) + "|" + p.directory + "|" + p.base + "|" + p.extension,
                  std::string(c.drive) + "|" + c.directory + "|" + c.base + "|" + c.extension);
    }
}

// hasExtension ignores case, beginsWith does not; 0 is a match.
TEST(PathTest, ExtensionsPrefixesAndTrimming)
{
    EXPECT_EQ(0, hasExtension("model.STL", ".stl") | hasExtension(".stl", ".stl") |
                     hasExtension(std::string("a.Vyk"), ".vyk") | hasExtension("sky.jpg trailing", 7, ".JPG"));
    EXPECT_EQ(-1, hasExtension("x", ".stl"));
    EXPECT_EQ(-1, hasExtension(nullptr, ".stl"));
    EXPECT_NE(0, hasExtension("model.stx", ".stl"));
    EXPECT_EQ(0, beginsWith("endsolid", "end") | beginsWith("anything", "") |
                     beginsWith(std::string("facet normal"), "facet"));
    EXPECT_TRUE(beginsWith("en", "end") && beginsWith("End", "end"));

    const std::string cases[][2] = {{"abc \r", "abc"},   {" \t \t", ""},       {"a b\n\n", "a b"},
                                    {{"x\0\0", 3}, "x"}, {"  lead", "  lead"}, {"", ""}};
    for (const auto& c : cases) {
        std::string s = c[0], buf = c[0] + '\0';
        trimRight(s);
        trimRight(&buf[0]);
        EXPECT_EQ(c[1], s);
        EXPECT_EQ(c[1], std::string(buf.c_str()));
    }
}

} // namespace
