// Bytes a PLY or OFF header's counts need, against which a file is refused.
#include "sceneio/declared_counts.h"

#include <gtest/gtest.h>

#include <string>

TEST(DeclaredCounts, HeadersOfEachKind)
{
    const std::string ply = "ply\nformat ascii 1.0\nelement vertex 10\nproperty float x\nproperty float y\n"
                            "element face 4\nproperty list uchar int vertex_indices\nend_header\n";
    const std::string bin = "ply\nformat binary_little_endian 1.0\nelement vertex 10\nproperty float x\n"
                            "property double y\nelement face 4\nproperty list ushort int vertex_indices\n"
                            "end_header\nelement ignored 99\n";
    const struct {
        std::string text;
        uint64_t bytes;
    } cases[] = {
        {ply, 10 * 4 + 4 * 2},  // two bytes a text value
        {bin, 10 * 12 + 4 * 2}, // scalar sizes; an empty list holds its count
        {"ply\nformat binary_big_endian 1.0\nelement vertex 4000000000\nproperty float x\nend_header\n",
         16000000000ull},
        {"ply\r\nformat ascii 1.0\r\nelement vertex 18446744073709551615\r\nproperty float x\r\nend_header\r\n",
         UINT64_MAX},
        {"OFF\n8 6 12\n", 8 * 6 + 6 * 2},
        {"# comment\nCOFF 3 1 0\n", 3 * 6 + 1 * 2}, // counts on the keyword's line
        {"OFF\n# comment\n\n5 2\n", 5 * 6 + 2 * 2},
        {"v 1 2 3\nf 1 2 3\n", 0}, // neither header
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vyk3d::bytesNeeded(c.text.data(), c.text.size()), c.bytes) << c.text;
        EXPECT_TRUE(vyk3d::plyHeaderReadable(c.text.data(), c.text.size())) << c.text;
    }
    // Headers the importer would read again and again.
    for (const std::string bad : {"ply\nformat ascii 1.0\nend_header0\n", "ply\nformat ascii 1.0\n"})
        EXPECT_FALSE(vyk3d::plyHeaderReadable(bad.data(), bad.size())) << bad;
}
