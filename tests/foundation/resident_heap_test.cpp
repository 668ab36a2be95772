#include "foundation/resident_heap.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

namespace
{

const uintptr_t kPage = uintptr_t(sysconf(_SC_PAGESIZE));

// Resident pages, and all pages, among the whole pages of [p, p + bytes).
std::pair<size_t, size_t> residentPages(const void* p, size_t bytes)
{
    const uintptr_t first = (uintptr_t(p) + kPage - 1) & ~(kPage - 1), last = (uintptr_t(p) + bytes) & ~(kPage - 1);
    std::vector<unsigned char> in((last - first) / kPage);
    if (mincore(reinterpret_cast<void*>(first), last - first, in.data()) != 0)
        return {0, in.size()};
    return {size_t(std::count_if(in.begin(), in.end(), [](unsigned char c) { return c & 1; })), in.size()};
}

} // namespace

TEST(ResidentHeap, LargeBlocksTakenDuringAReserveAreResidentUntouched)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator has a policy of its own";
#endif
    const size_t bytes = size_t(48) << 20;
    {
        heap_reserve_t reserve(bytes + (size_t(1) << 20));
        ASSERT_TRUE(reserve.made());
        void* block = std::malloc(bytes);
        const auto resident = residentPages(block, bytes);
        EXPECT_EQ(resident.first, resident.second);
        std::free(block);
    }
    // Afterwards a large block beyond the reserve's leftover is mapped on its
    // own again: freed, it goes back to the system, and the next one comes
    // with no page resident.
    void* used = std::malloc(2 * bytes);
    std::fill_n(static_cast<char*>(used), 2 * bytes, 1);
    ASSERT_GT(residentPages(used, 2 * bytes).first, 0u);
    std::free(used);
    void* later = std::malloc(2 * bytes);
    EXPECT_EQ(residentPages(later, 2 * bytes).first, 0u);
    std::free(later);

    EXPECT_FALSE(heap_reserve_t(kReserveMinimum - 1).made());
    std::thread([] { EXPECT_FALSE(heap_reserve_t(kReserveMinimum).made()); }).join();
}

TEST(ResidentHeap, KeptRoomServesSmallBlocksResidentUntilATrim)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator has a policy of its own";
#endif
    // 16 MB in a driver's bin-sized blocks, taken and freed as by a frame.
    auto frame = [] {
        std::vector<void*> taken(256);
        size_t resident = 0, pages = 0;
        for (void*& p : taken) {
            p = std::malloc(size_t(64) << 10);
            const auto r = residentPages(p, size_t(64) << 10);
            resident += r.first, pages += r.second;
        }
        for (void* p : taken)
            std::free(p);
        return double(resident) / double(pages);
    };
    keepHeapRoom(uint64_t(32) << 20);
    EXPECT_EQ(frame(), 1.0);
    EXPECT_EQ(frame(), 1.0); // the room stays between frames
    returnFreePages();
    EXPECT_LT(frame(), 0.5);
}
