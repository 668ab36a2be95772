#include "foundation/byteorder.h"

#include <arpa/inet.h>
#include <endian.h>

namespace libutils
{

uint16_t little16(uint16_t v)
{
    return le16toh(v);
}
uint32_t little32(uint32_t v)
{
    return le32toh(v);
}
uint64_t little64(uint64_t v)
{
    return le64toh(v);
}

uint64_t reverse64(uint64_t v)
{
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i) {
        r = (r << 8) | (v & 0xff);
        v >>= 8;
    }
    return r;
}

uint16_t intel_byteorder::convert16(uint16_t v) const
{
    return little16(v);
}
uint32_t intel_byteorder::convert32(uint32_t v) const
{
    return little32(v);
}
uint64_t intel_byteorder::convert64(uint64_t v) const
{
    return little64(v);
}

uint16_t motorola_byteorder::convert16(uint16_t v) const
{
    return ntohs(v);
}
uint32_t motorola_byteorder::convert32(uint32_t v) const
{
    return ntohl(v);
}
uint64_t motorola_byteorder::convert64(uint64_t v) const
{
    return be64toh(v);
}

} // namespace libutils
