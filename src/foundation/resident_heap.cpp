#include "foundation/resident_heap.h"

#include "foundation/parallel.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

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

void largeBlocksMapped()
{
    mallopt(M_MMAP_MAX, kMmapMax);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
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
}

heap_reserve_t::heap_reserve_t(uint64_t bytes)
{
    if (bytes < kReserveMinimum || bytes > SIZE_MAX / 2 || getpid() != gettid())
        return;
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1); // taken as the largest size: the freed reserve stays
    void* block = std::malloc(size_t(bytes));
    if (!block) {
        largeBlocksMapped();
        return;
    }
    makeResident(block, bytes);
    std::free(block);
    made_ = true;
}

heap_reserve_t::~heap_reserve_t()
{
    if (!made_)
        return;
    largeBlocksMapped();
    returnFreePages();
}
