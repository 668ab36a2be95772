// The benchmarks start as the programs do, in huge pages where the kernel
// gives them on request, so their figures are the programs' figures.
#include "foundation/huge_pages.h"

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    startWithHugePages(argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
