#include "foundation/byteorder.h"

#include <gtest/gtest.h>

#include <cstring>

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
    const intel_byteorder intel;
    const motorola_byteorder motorola;
    const byteorder& order = motorola; // the same operation converts back
    const uint64_t cases[][2] = {
        {intel.convert16(v16), 0x0201},
        {intel.convert32(v32), 0x04030201},
        {intel.convert64(v64), 0x0807060504030201ull},
        {motorola.convert16(v16), 0x0102},
        {motorola.convert32(v32), 0x01020304},
        {motorola.convert64(v64), 0x0102030405060708ull},
        {order.convert32(order.convert32(v32)), v32},
        {little16(v16), 0x0201},
        {little32(v32), 0x04030201},
        {little64(v64), 0x0807060504030201ull},
        {reverse64(0x0807060504030201ull), 0x0102030405060708ull},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c[0], c[1]) << &c - cases;
}
