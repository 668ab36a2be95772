// The viewer's first frame and its pick on 1M-triangle STL models.
// - BM_VykshotFirst*: wall time of `vykshot` writing the first 800x600 frame
//   of a 1M-triangle STL (process start to exit, PNG written), with no X
//   server. Goals: binary <= 350 ms, text <= 1 s.
// - BM_ViewerPick1M: one left-press pick over the same mesh in a loaded
//   viewer. Goal: <= 30 ms.
// - BM_ViewerFrame1M: one 800x600 frame of the mesh as vykshot draws it
//   (framebuffer object, clear, draw, read-back).
// - BM_PngWriteFrame/<level>: that frame written as a PNG file.
// - BM_ViewerFit1M: the camera fit over the mesh.
// - BM_ExampleLoad/<scene>, BM_ExampleDraw/<scene>: each example scene's
//   first frame split into the load (viewer init: shaders, files, textures)
//   and the first off-screen frame, as above. Measured once per process: the
//   texture cache would serve a second load.
// The files are made at run time in /tmp and removed at exit.

#include "big_stl.h"
#include "support/gl_context.h"
#include "support/paths.h"
#include "support/run.h"
#include "textures/png.h"
#include "view/offscreen_frame.h"

#include <GL/glew.h>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{

using vykbench::kTriangles;

// The models, and a picture name for vykshot beside them.
struct Files {
    const std::string& binary = vykbench::bigStl().binary;
    const std::string& text = vykbench::bigStl().text;
    std::string png = vykbench::tempName("shot.png");
    ~Files() { std::remove(png.c_str()); }
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
sceneview_t& loadedViewer()
{
    static std::unique_ptr<sceneview_t> viewer;
    static std::vector<char*> argv;
    static std::string program = "vykview", model;
    if (!viewer) {
        vyktest::glContext();
        // VYK_BENCH_MODEL names another model (the 10M torus of compare.sh).
        const char* other = std::getenv("VYK_BENCH_MODEL");
        model = other ? other : files().binary;
        argv = {program.data(), model.data(), nullptr};
        viewer = std::make_unique<sceneview_t>(2, argv.data());
        viewer->init();
        viewer->reshape(800, 600);
    }
    return *viewer;
}

void BM_ViewerPick1M(benchmark::State& state)
{
    sceneview_t& v = loadedViewer();
    // VYK_BENCH_PICK="X,Y" picks another pixel (the tori have a hole in the middle).
    float x = 400.0f, y = 300.0f;
    if (const char* at = std::getenv("VYK_BENCH_PICK"))
        std::sscanf(at, "%f,%f", &x, &y);
    pos3 hit{};
    for (auto _ : state) {
        hit = v.pick(x, y);
        benchmark::DoNotOptimize(hit);
    }
    state.counters["hit_x"] = hit.x;
    state.counters["hit_y"] = hit.y;
    state.counters["hit_z"] = hit.z;
}

void BM_ViewerFrame1M(benchmark::State& state)
{
    sceneview_t& v = loadedViewer();
    for (auto _ : state) {
        libgr::grImage2D image;
        drawOffscreen(v, 800, 600, image);
    }
}

// The first frame's own picture written as vykshot writes it, at zlib's
// default level (-1) and at the level vykshot uses (1).
void BM_PngWriteFrame(benchmark::State& state)
{
    static libgr::grImage2D image;
    if (image.width == 0)
        drawOffscreen(loadedViewer(), 800, 600, image);
    for (auto _ : state)
        libgr::pngWrite(files().png.c_str(), image, "vykshot", int(state.range(0)));
}

// Both passes of the camera fit over the mesh's positions (each call moves
// the camera further out: it runs after the frame cases).
void BM_ViewerFit1M(benchmark::State& state)
{
    sceneview_t& v = loadedViewer();
    for (auto _ : state)
        v.fitScene();
}

const char* const kExamples[] = {"demo.vyk", "globe.vyk", "torus.vyk", "panel.vyk", "bracket.stl", "morph_a.vyk"};

struct example_t {
    std::string program = "vykview", path;
    std::vector<char*> argv;
    std::unique_ptr<sceneview_t> viewer;
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
        e.viewer = std::make_unique<sceneview_t>(2, e.argv.data());
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
        libgr::grImage2D image;
        drawOffscreen(*e.viewer, 800, 600, image);
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
BENCHMARK(BM_PngWriteFrame)->Arg(-1)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewerFit1M)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_ExampleLoad)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExampleDraw)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(1);
