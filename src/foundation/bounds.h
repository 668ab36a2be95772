#pragma once

// The box around the origin and a set of positions. Positions that are not
// finite take no part; they are counted.

#include "foundation/math.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

struct position_bounds_t {
    pos3 lo{0, 0, 0}, hi{0, 0, 0};
    uint64_t nonFinite = 0;

    void add(const pos3& p)
    {
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))
            grow(p);
        else
            ++nonFinite;
    }
    void merge(const position_bounds_t& b)
    {
        grow(b.lo);
        grow(b.hi);
        nonFinite += b.nonFinite;
    }

  private:
    void grow(const pos3& p)
    {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
};
