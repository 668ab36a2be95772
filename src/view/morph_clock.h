// The morph clock: one morph step per second, the blend rate rising from 0
// to 0.999 within the step. Only differences of 32-bit millisecond clock
// values are used, so the clock's wrap-around is harmless.
#pragma once

#include <cstddef>
#include <cstdint>

struct morphPosition_t {
    uint32_t step; // index of the morph list shown
    float rate;    // blend rate within the step, 0 .. 0.999
};

// Elapsed milliseconds between `start` and `now` in unsigned 32-bit
// arithmetic (correct across the wrap of the clock).
inline uint32_t elapsedSince(uint32_t start, uint32_t now)
{
    return now - start;
}

// Step and rate after `elapsed` ms with `steps` morph lists; with no lists
// the step stays 0.
morphPosition_t morphPosition(uint32_t elapsed, std::size_t steps);
