// The scene text reader over one polygon section of 100k vertices (a 316 x
// 316 grid of strips), as the scene writer lays it out: CR LF line ends,
// positions and colours per vertex, one element line per index, frames.
#include "model/frame_pass.h"
#include "sceneio/scene.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace
{

std::string gridScene(int side)
{
    std::string s;
    const int vertices = side * side;
    const int elements = (side - 1) * (2 * side + 1);
    s += "begin polygon_surface," + std::to_string(vertices) + "," + std::to_string(elements) + "\r\n";
    char line[160];
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            std::snprintf(line, sizeof line, "fcolor %.6f,%.6f,0.500000,1.000000\r\n", i / double(side),
                          j / double(side));
            s += line;
            std::snprintf(line, sizeof line, "texcoord %.6f,%.6f\r\n", i / double(side), j / double(side));
            s += line;
            std::snprintf(line, sizeof line, "position %.6f,%.6f,%.6f\r\n", i * 0.01, j * 0.01, (i ^ j) * 1e-4);
            s += line;
        }
    for (int j = 1; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            s += "element " + std::to_string(side * j + i) + "\r\n";
            s += "element " + std::to_string(side * (j - 1) + i) + "\r\n";
        }
        s += "element -1\r\n";
    }
    for (int v = 0; v < vertices; ++v)
        s += "tangent 1.000000,0.000000,0.000000\r\nbinormal 0.000000,1.000000,0.000000\r\n"
             "normal 0.000000,0.000000,1.000000\r\n";
    s += "end\r\n";
    return s;
}

void BM_ReadPolygonSection100k(benchmark::State& state)
{
    vyktest::glContext();
    static vyk3d::frame_pass_t framePass;
    vyktest::TempDir dir;
    const std::string text = gridScene(317); // 100489 vertices
    const std::string path = dir.write("grid.vyk", text);
    for (auto _ : state) {
        scene_t scene;
        std::ostringstream err;
        const bool ok = loadScene(scene, path, framePass, err);
        if (!ok)
            state.SkipWithError(("load failed: " + err.str()).c_str());
        scene.destroyModels();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["vertices"] = 317.0 * 317.0;
}
BENCHMARK(BM_ReadPolygonSection100k)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
