// Byte-order converters between file order and host order. Each conversion
// is its own inverse, so one operation reads and writes.
#pragma once

#include <cstdint>

namespace libutils
{

class byteorder
{
  public:
    virtual uint16_t convert16(uint16_t v) const = 0;
    virtual uint32_t convert32(uint32_t v) const = 0;
    virtual uint64_t convert64(uint64_t v) const = 0;
    virtual ~byteorder() = default;
};

// Little-endian files (BMP, TGA).
class intel_byteorder : public byteorder
{
  public:
    uint16_t convert16(uint16_t v) const override;
    uint32_t convert32(uint32_t v) const override;
    uint64_t convert64(uint64_t v) const override;
};

// Big-endian files.
class motorola_byteorder : public byteorder
{
  public:
    uint16_t convert16(uint16_t v) const override;
    uint32_t convert32(uint32_t v) const override;
    uint64_t convert64(uint64_t v) const override;
};

// Little-endian file value <-> host value.
uint16_t little16(uint16_t v);
uint32_t little32(uint32_t v);
uint64_t little64(uint64_t v);
// The eight bytes in reverse order.
uint64_t reverse64(uint64_t v);

} // namespace libutils
