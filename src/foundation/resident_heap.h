#pragma once

// Large blocks that are resident before anyone touches them. A software GL
// driver (Mesa's llvmpipe) takes each buffer store from malloc and zero-fills
// it on the calling thread: every fresh 4 kB page of a large mesh then costs
// a trap of its own, one after another on one core, and on a virtual machine
// each trap is dear. Made in the kernel's own batches (MADV_POPULATE_WRITE),
// on every core at once, the same pages cost a fraction of that.
//
// While a heap_reserve_t lives, malloc takes even large blocks from the main
// heap, which the reserve has grown by `bytes` and made resident; its end
// puts malloc's policy back (large blocks mapped on their own, the heap's
// free top given back at 128 kB) and returns what no block took to the
// system. It does nothing for fewer than kReserveMinimum bytes and off the
// main thread, whose heap alone can hold large blocks.
//
// Not for use while other threads allocate large blocks: they would come
// from the same heap, and stay in it when freed until the next trim.
#include <cstdint>

constexpr uint64_t kReserveMinimum = uint64_t(32) << 20;

class heap_reserve_t
{
  public:
    explicit heap_reserve_t(uint64_t bytes);
    ~heap_reserve_t();
    heap_reserve_t(const heap_reserve_t&) = delete;
    heap_reserve_t& operator=(const heap_reserve_t&) = delete;

    // Whether the reserve was made (large enough, on the main thread, and
    // malloc gave it).
    bool made() const { return made_; }

  private:
    bool made_ = false;
};

// Gives the heap's free pages back to the system: large blocks freed inside
// the heap (stores made during a reserve) otherwise stay resident. The room
// keepHeapRoom kept goes with them.
void returnFreePages();

// Keeps `bytes` of free room in the main heap, resident, for the many small
// blocks a software GL driver takes while it draws (llvmpipe bins a frame's
// triangles into 64 kB blocks from malloc and frees them when the frame is
// done): made once, on every core at once, and not given back between
// frames. A larger room replaces a smaller one. Nothing off the main thread.
void keepHeapRoom(uint64_t bytes);

// Makes [p, p + bytes) resident, its whole pages on every core at once.
// The bytes are the caller's to overwrite: where the kernel cannot populate
// a range, one byte of each page is written with zero.
void makeResident(void* p, uint64_t bytes);
