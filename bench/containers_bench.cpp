// What mapping a file in place saves over reading it into the heap: the
// cost of making a whole image file's bytes available and touching one byte
// a page (a header and a few rows), for the memory-mapped and the heap
// allocator; and the cost of handing a shared vector on (a copy shares).

#include "foundation/refvector.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{

using libutils::alloc_mmap;
using libutils::alloc_new;
using libutils::ofsvector;
using libutils::refvector2;

const std::string& imageFile(int64_t bytes)
{
    static vyktest::TempDir dir;
    static std::string path;
    static int64_t written = -1;
    if (written != bytes) {
        path = dir.write("image.bin", std::string(static_cast<size_t>(bytes), '\x5a'));
        written = bytes;
    }
    return path;
}

template <class A> void openWholeFile(benchmark::State& state)
{
    const std::string& path = imageFile(state.range(0));
    for (auto _ : state) {
        refvector2<unsigned char, A> file;
        if (!file.allocate(0, path.c_str(), 0, 0, false))
            state.SkipWithError("allocate failed");
        // Read the headers and one byte a page, as a loader that uploads a
        // sub-rectangle would.
        unsigned sum = 0;
        for (uint64_t i = 0; i < file.size(); i += 4096)
            sum += file[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_MapWholeFile(benchmark::State& state)
{
    openWholeFile<alloc_mmap>(state);
}
void BM_ReadWholeFileToHeap(benchmark::State& state)
{
    openWholeFile<alloc_new>(state);
}
BENCHMARK(BM_MapWholeFile)->Arg(64 << 10)->Arg(4 << 20)->Arg(32 << 20);
BENCHMARK(BM_ReadWholeFileToHeap)->Arg(64 << 10)->Arg(4 << 20)->Arg(32 << 20);

// Typed views over one mapping, as the BMP reader lays its headers.
void BM_RetargetViews(benchmark::State& state)
{
    ofsvector<unsigned char> file;
    file.allocate(0, imageFile(4 << 20).c_str(), 0, 0, false);
    for (auto _ : state) {
        ofsvector<uint32_t> header, pixels;
        header.retarget(file, 14, 10);
        pixels.retarget(file, 54);
        benchmark::DoNotOptimize(header.size() + pixels.size());
    }
}
BENCHMARK(BM_RetargetViews);

} // namespace
