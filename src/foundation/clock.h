#pragma once

#include <cstdint>

// Milliseconds of a monotonic clock, truncated to 32 bits. Only differences
// are meaningful; unsigned subtraction makes the wrap-around harmless.
uint32_t timeGetTime();
