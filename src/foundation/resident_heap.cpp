#include "foundation/resident_heap.h"

#include "foundation/parallel.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14
#endif

namespace
{

// glibc's defaults, put back when a reserve ends.
constexpr int kMmapMax = 65536;
constexpr int kTrimThreshold = 128 * 1024;
// The least a core is given to populate.
constexpr uint64_t kPart = uint64_t(16) << 20;

// The free room keepHeapRoom keeps; 0 after a trim gave it back.
uint64_t keptRoom = 0;

// The heap's free top is given back from twice the kept room on.
int trimThreshold()
{
    return int(std::min<uint64_t>(std::max<uint64_t>(kTrimThreshold, 2 * keptRoom), INT32_MAX));
}

void largeBlocksMapped()
{
    mallopt(M_MMAP_MAX, kMmapMax);
    mallopt(M_TRIM_THRESHOLD, trimThreshold());
}

bool onMainThread()
{
    return getpid() == gettid();
}

// Takes `bytes` from the main heap (large blocks come from it from now on),
// grown if need be, makes them resident and frees them again: the heap
// keeps them while the trim threshold lets it. False when malloc had none.
bool growHeapResident(uint64_t bytes)
{
    mallopt(M_MMAP_MAX, 0);
    void* block = std::malloc(size_t(bytes));
    if (!block)
        return false;
    makeResident(block, bytes);
    std::free(block);
    return true;
}

} // namespace

void makeResident(void* p, uint64_t bytes)
{
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (uintptr_t(p) + page - 1) & ~(page - 1);
    const uintptr_t last = (uintptr_t(p) + bytes) & ~(page - 1);
    if (last <= first)
        return;
    const uint64_t pages = (last - first) / page;
    const unsigned parts = partsFor(pages * page, kPart);
    runParts(parts, [&](unsigned k) {
        char* from = reinterpret_cast<char*>(first + pages * k / parts * page);
        char* to = reinterpret_cast<char*>(first + pages * (k + 1) / parts * page);
        if (madvise(from, size_t(to - from), MADV_POPULATE_WRITE) == 0)
            return;
        for (volatile char* q = from; q < to; q += page)
            *q = 0;
    });
}

void returnFreePages()
{
    malloc_trim(0);
    keptRoom = 0;
    mallopt(M_TRIM_THRESHOLD, trimThreshold());
}

void keepHeapRoom(uint64_t bytes)
{
    if (bytes <= keptRoom || bytes > uint64_t(INT32_MAX) / 2 || !onMainThread())
        return;
    keptRoom = bytes;
    mallopt(M_TRIM_THRESHOLD, trimThreshold());
    if (!growHeapResident(bytes))
        keptRoom = 0;
    largeBlocksMapped();
}

heap_reserve_t::heap_reserve_t(uint64_t bytes)
{
    if (bytes < kReserveMinimum || bytes > SIZE_MAX / 2 || !onMainThread())
        return;
    mallopt(M_TRIM_THRESHOLD, -1); // taken as the largest size: the freed reserve stays
    made_ = growHeapResident(bytes);
    if (!made_)
        largeBlocksMapped();
}

heap_reserve_t::~heap_reserve_t()
{
    if (!made_)
        return;
    largeBlocksMapped();
    returnFreePages();
}
