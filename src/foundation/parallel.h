#pragma once

// Splitting CPU work over the machine's cores. Workers only compute on
// memory they are handed (mapped buffers included); GL calls stay on the
// thread that owns the context.

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

// How many parts `work` units are worth cutting into: one per core, at
// most eight, each at least `minimum` units, and at least one.
inline unsigned partsFor(uint64_t work, uint64_t minimum)
{
    const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    const uint64_t byWork = minimum == 0 ? cores : work / minimum;
    return unsigned(std::max<uint64_t>(1, std::min<uint64_t>(cores, byWork)));
}

// Calls f(0) ... f(n - 1), part 0 on the calling thread and the others on
// threads of their own, and returns when all have returned. A part whose
// thread cannot be started runs on the calling thread.
template <class F> void runParts(unsigned n, F&& f)
{
    std::vector<std::thread> threads;
    std::vector<unsigned> here{0};
    for (unsigned k = 1; k < n; ++k) {
        try {
            threads.emplace_back([&f, k] { f(k); });
        } catch (const std::system_error&) {
            here.push_back(k);
        }
    }
    for (unsigned k : here)
        f(k);
    for (std::thread& t : threads)
        t.join();
}
