// STL loading: 1M triangles, binary and text, read into a scene (reader, GL
// buffers, update) on llvmpipe under Xvfb. The files are made at run time
// in /tmp and removed at exit. Goals: binary <= 150 ms median, text
// <= 700 ms, peak memory of the binary load <= 1 GB (the "peak_rss_MB"
// counter of the binary case: the process peak up to that point, so the
// full loads run first). The parse-only cases show the reader's own share.

#include "big_stl.h"
#include "sceneio/scene.h"
#include "sceneio/stl.h"
#include "sceneio/stl_mesh.h"
#include "support/gl_context.h"

#include <GL/glew.h>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

using vykbench::kTriangles;

const vykbench::BigStl& files()
{
    return vykbench::bigStl();
}

void load(benchmark::State& state, const std::string& path)
{
    vyktest::glContext();
    for (auto _ : state) {
        scene_t scene;
        if (!readStl(path, scene)) {
            state.SkipWithError("readStl failed");
            break;
        }
        // The load is done when GL has the buffers.
        glFinish();
        state.PauseTiming();
        scene.destroyModels();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kTriangles);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_StlBinary1M(benchmark::State& state)
{
    load(state, files().binary);
}

void BM_StlText1M(benchmark::State& state)
{
    load(state, files().text);
}

// The share of the load that is parsing: the file already in memory,
// triangles filled into ordinary memory instead of GL buffers.
void BM_StlBinaryParseOnly1M(benchmark::State& state)
{
    std::string bytes;
    {
        FILE* f = std::fopen(files().binary.c_str(), "rb");
        bytes.resize(84 + 50 * size_t(kTriangles));
        bytes.resize(std::fread(&bytes[0], 1, bytes.size(), f));
        std::fclose(f);
    }
    std::vector<float> vertices(size_t(kTriangles) * 27), frames(size_t(kTriangles) * 27);
    std::vector<uint32_t> elements(size_t(kTriangles) * 4);
    for (auto _ : state) {
        uint32_t n = vyk3d::binaryTriangleCount(bytes.data(), bytes.size(), "bench");
        vyk3d::fillBinary(bytes.data(), n, {vertices.data(), frames.data(), elements.data()});
        benchmark::DoNotOptimize(elements.data());
    }
}

void BM_StlTextParseOnly1M(benchmark::State& state)
{
    std::string bytes;
    {
        FILE* f = std::fopen(files().text.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        bytes.resize(size_t(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        bytes.resize(std::fread(&bytes[0], 1, bytes.size(), f));
        std::fclose(f);
    }
    std::vector<float> vertices(size_t(kTriangles) * 27), frames(size_t(kTriangles) * 27);
    std::vector<uint32_t> elements(size_t(kTriangles) * 4);
    const char* body = bytes.data() + bytes.find('\n') + 1;
    const char* end = bytes.data() + bytes.size();
    for (auto _ : state) {
        vyk3d::text_counts_t c = vyk3d::countText(body, end);
        vyk3d::fillText(body, end, uint32_t(c.facets), {vertices.data(), frames.data(), elements.data()});
        benchmark::DoNotOptimize(elements.data());
    }
}

} // namespace

BENCHMARK(BM_StlBinary1M)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StlText1M)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_StlBinaryParseOnly1M)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StlTextParseOnly1M)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
