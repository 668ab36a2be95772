#include "view/directory_part.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(DirectoryPart, NamesSeparatorsAndLength)
{
    std::string longName(4000, 'a');
    longName[100] = longName[3990] = '/';
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
        {longName, longName.substr(0, 3991)}, // never cut
    };
    for (const auto& c : cases)
        EXPECT_EQ(directoryPart(c.name.c_str()), c.dir) << c.name;
    EXPECT_EQ(directoryPart(nullptr), "");
}

} // namespace
