#include "foundation/byteorder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using namespace libutils;

TEST(ByteOrderTest, FileBytesToHostValues)
{
    // The bytes 01 02 03 04 05 06 07 08 as they lie in a file.
    const unsigned char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint16_t v16;
    uint32_t v32;
    uint64_t v64;
    std::memcpy(&v16, bytes, 2);
    std::memcpy(&v32, bytes, 4);
    std::memcpy(&v64, bytes, 8);

    intel_byteorder intel;
    motorola_byteorder motorola;
    const byteorder* orders[] = {&intel, &motorola};
    const uint64_t expected[2][3] = {
        {0x0201, 0x04030201, 0x0807060504030201ull},
        {0x0102, 0x01020304, 0x0102030405060708ull},
    };
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(expected[i][0], orders[i]->convert16(v16)) << i;
        EXPECT_EQ(expected[i][1], orders[i]->convert32(v32)) << i;
        EXPECT_EQ(expected[i][2], orders[i]->convert64(v64)) << i;
        // The same operation converts back.
        EXPECT_EQ(v32, orders[i]->convert32(orders[i]->convert32(v32))) << i;
    }
    EXPECT_EQ(0x0201u, little16(v16));
    EXPECT_EQ(0x04030201u, little32(v32));
    EXPECT_EQ(0x0807060504030201ull, little64(v64));
    EXPECT_EQ(0x0102030405060708ull, reverse64(0x0807060504030201ull));
}

} // namespace
