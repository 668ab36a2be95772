#pragma once

// Boxes around positions. Positions that are not finite take no part; they
// are counted.

#include "foundation/math.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

struct position_bounds_t {
    // Empty until a position comes; origin() starts from the origin instead.
    pos3 lo{kFar, kFar, kFar}, hi{-kFar, -kFar, -kFar};
    uint64_t nonFinite = 0;

    static position_bounds_t origin()
    {
        position_bounds_t b;
        b.lo = b.hi = {0, 0, 0};
        return b;
    }
    bool empty() const { return !(lo.x <= hi.x); }
    void add(const pos3& p)
    {
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))
            grow(p);
        else
            ++nonFinite;
    }
    void merge(const position_bounds_t& b)
    {
        if (!b.empty()) {
            grow(b.lo);
            grow(b.hi);
        }
        nonFinite += b.nonFinite;
    }

  private:
    static constexpr float kFar = std::numeric_limits<float>::infinity();
    void grow(const pos3& p)
    {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
};

// The bounds of consecutive blocks of positions, as a reader found them:
// block j holds positions j * blockSize up to (j + 1) * blockSize.
struct block_bounds_t {
    uint64_t blockSize = 0;
    std::vector<position_bounds_t> blocks;

    // All blocks' positions, and the origin.
    position_bounds_t whole() const
    {
        position_bounds_t all = position_bounds_t::origin();
        for (const position_bounds_t& b : blocks)
            all.merge(b);
        return all;
    }
};
