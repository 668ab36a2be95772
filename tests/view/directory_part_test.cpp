#include "view/directory_part.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

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
