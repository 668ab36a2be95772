// The viewer's first frame and its pick on 1M-triangle STL models.
// - BM_VykshotFirst*: wall time of `vykshot` writing the first 800x600 frame
//   of a 1M-triangle STL (process start to exit, PNG written) on the X
//   server in DISPLAY. Goals: binary <= 350 ms, text <= 1 s.
// - BM_ViewerPick1M: one left-press pick over the same mesh in a loaded
//   viewer. Goal: <= 30 ms.
// - BM_ViewerFrame1M: one display of the mesh (clear, draw, swap, finish).
// - BM_ExampleLoad/<scene>, BM_ExampleDraw/<scene>: each example scene's
//   first frame split into the load (viewer init: shaders, files, textures)
//   and the first reshape and display. Measured once per process: the
//   texture cache would serve a second load.
// The files are made at run time in /tmp and removed at exit.

#include "app/vykview.h"
#include "support/gl_context.h"
#include "support/paths.h"
#include "support/run.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{

const uint32_t kTriangles = 1000000;

// Triangle t of a wavy 1000 x 500 quad grid, centred on the origin.
void corners(uint32_t t, float c[9])
{
    const uint32_t quad = t / 2, x = quad % 1000, y = quad / 1000;
    const float x0 = x * 0.01f - 5.0f, y0 = y * 0.01f - 2.5f, x1 = x0 + 0.01f, y1 = y0 + 0.01f;
    const float z = 0.05f * float(x % 7) + 0.02f * float(y % 5);
    const float a[9] = {x0, y0, z, x1, y0, z, x1, y1, z + 0.01f};
    const float b[9] = {x0, y0, z, x1, y1, z + 0.01f, x0, y1, z};
    const float* v = t % 2 ? b : a;
    for (int i = 0; i < 9; ++i)
        c[i] = v[i];
}

std::string tempName(const char* what)
{
    return "/tmp/vykbench-viewer-" + std::to_string(getpid()) + "-" + what + ".stl";
}

struct Files {
    std::string binary = tempName("binary"), text = tempName("text"), png = tempName("shot") + ".png";
    Files()
    {
        FILE* f = std::fopen(binary.c_str(), "wb");
        char header[80] = "vykbench viewer";
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
        std::remove(png.c_str());
    }
};

const Files& files()
{
    static Files f;
    return f;
}

void firstFrame(benchmark::State& state, const std::string& model)
{
    const std::string shot = vyktest::programPath("vykshot");
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const vyktest::RunResult r = vyktest::run({shot, "-o", files().png, model}, 120);
        const auto end = std::chrono::steady_clock::now();
        if (r.status != 0) {
            state.SkipWithError(("vykshot failed: " + r.err).c_str());
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

void BM_VykshotFirstFrameBinary1M(benchmark::State& state)
{
    firstFrame(state, files().binary);
}
void BM_VykshotFirstFrameText1M(benchmark::State& state)
{
    firstFrame(state, files().text);
}

// A viewer with the binary model loaded and fitted in this process.
vykview_t& loadedViewer()
{
    static std::unique_ptr<vykview_t> viewer;
    static std::vector<char*> argv;
    static std::string program = "vykview", model;
    if (!viewer) {
        vyktest::glContext();
        model = files().binary;
        argv = {program.data(), model.data(), nullptr};
        viewer = std::make_unique<vykview_t>(2, argv.data());
        viewer->init();
        viewer->reshape(800, 600);
    }
    return *viewer;
}

void BM_ViewerPick1M(benchmark::State& state)
{
    vykview_t& v = loadedViewer();
    pos3 hit{};
    for (auto _ : state) {
        hit = v.pick(400.0f, 300.0f);
        benchmark::DoNotOptimize(hit);
    }
    state.counters["hit_z"] = hit.z;
}

void BM_ViewerFrame1M(benchmark::State& state)
{
    vykview_t& v = loadedViewer();
    for (auto _ : state) {
        v.display();
        glFinish();
    }
}

const char* const kExamples[] = {"demo.vyk", "globe.vyk", "torus.vyk", "panel.vyk", "bracket.stl", "morph_a.vyk"};

struct example_t {
    std::string program = "vykview", path;
    std::vector<char*> argv;
    std::unique_ptr<vykview_t> viewer;
};

example_t& example(int index)
{
    static example_t examples[sizeof kExamples / sizeof kExamples[0]];
    return examples[index];
}

void BM_ExampleLoad(benchmark::State& state)
{
    vyktest::glContext();
    example_t& e = example(int(state.range(0)));
    state.SetLabel(kExamples[state.range(0)]);
    for (auto _ : state) {
        e.path = vyktest::sourcePath(std::string("examples/") + kExamples[state.range(0)]);
        e.argv = {e.program.data(), e.path.data(), nullptr};
        e.viewer = std::make_unique<vykview_t>(2, e.argv.data());
        e.viewer->init();
        glFinish();
    }
}

void BM_ExampleDraw(benchmark::State& state)
{
    example_t& e = example(int(state.range(0)));
    state.SetLabel(kExamples[state.range(0)]);
    if (!e.viewer) {
        state.SkipWithError("not loaded");
        return;
    }
    for (auto _ : state) {
        e.viewer->reshape(800, 600);
        e.viewer->display();
        glFinish();
    }
}

} // namespace

BENCHMARK(BM_VykshotFirstFrameBinary1M)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_VykshotFirstFrameText1M)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ViewerPick1M)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ViewerFrame1M)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_ExampleLoad)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExampleDraw)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(1);
