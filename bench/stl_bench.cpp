// STL loading: 1M triangles, binary and text, read into a scene (reader, GL
// buffers, update) on llvmpipe under Xvfb. The files are made at run time
// in /tmp and removed at exit. Goals: binary <= 150 ms median, text
// <= 700 ms, peak memory of the binary load <= 1 GB (the "peak_rss_MB"
// counter of the binary case: the process peak up to that point, so the
// full loads run first). The parse-only cases show the reader's own share.

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

const uint32_t kTriangles = 1000000;

// Triangle t of a wavy 1000 x 500 quad grid.
void corners(uint32_t t, float c[9])
{
    uint32_t quad = t / 2, x = quad % 1000, y = quad / 1000;
    float x0 = x * 0.01f, y0 = y * 0.01f, x1 = x0 + 0.01f, y1 = y0 + 0.01f;
    float z = 0.001f * float(x % 7) + 0.002f * float(y % 5);
    if (t % 2 == 0) {
        const float v[9] = {x0, y0, z, x1, y0, z, x1, y1, z + 0.001f};
        std::copy(v, v + 9, c);
    } else {
        const float v[9] = {x0, y0, z, x1, y1, z + 0.001f, x0, y1, z};
        std::copy(v, v + 9, c);
    }
}

std::string tempName(const char* what)
{
    return "/tmp/vykbench-stl-" + std::to_string(getpid()) + "-" + what + ".stl";
}

struct Files {
    std::string binary = tempName("binary"), text = tempName("text");
    Files()
    {
        FILE* f = std::fopen(binary.c_str(), "wb");
        char header[80] = "vykbench";
        std::fwrite(header, 1, 80, f);
        std::fwrite(&kTriangles, 4, 1, f);
        float rec[12];
        const uint16_t attribute = 0;
        for (uint32_t t = 0; t < kTriangles; ++t) {
            rec[0] = rec[1] = 0;
            rec[2] = 1;
            corners(t, rec + 3);
            std::fwrite(rec, 4, 12, f);
            std::fwrite(&attribute, 2, 1, f);
        }
        std::fclose(f);

        f = std::fopen(text.c_str(), "wb");
        std::fprintf(f, "solid vykbench\n");
        float c[9];
        for (uint32_t t = 0; t < kTriangles; ++t) {
            corners(t, c);
            std::fprintf(f,
                         "  facet normal 0.000000e+00 0.000000e+00 1.000000e+00\n    outer loop\n"
                         "      vertex %e %e %e\n      vertex %e %e %e\n      vertex %e %e %e\n"
                         "    endloop\n  endfacet\n",
                         c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]);
        }
        std::fprintf(f, "endsolid vykbench\n");
        std::fclose(f);
    }
    ~Files()
    {
        std::remove(binary.c_str());
        std::remove(text.c_str());
    }
};

const Files& files()
{
    static Files f;
    return f;
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
        uint32_t n = stlmesh::binaryTriangleCount(bytes.data(), bytes.size(), "bench");
        stlmesh::fillBinary(bytes.data(), n, {vertices.data(), frames.data(), elements.data()});
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
        stlmesh::TextCounts c = stlmesh::countText(body, end);
        stlmesh::fillText(body, end, uint32_t(c.facets), {vertices.data(), frames.data(), elements.data()});
        benchmark::DoNotOptimize(elements.data());
    }
}

} // namespace

BENCHMARK(BM_StlBinary1M)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StlText1M)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_StlBinaryParseOnly1M)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StlTextParseOnly1M)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
