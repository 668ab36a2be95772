// Image decoding and bump-map preparation on 1024 x 1024 pictures.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "support/temp_dir.h"
#include "textures/file_buffer.h"
#include "textures/image_format.h"
#include "textures/image_processing.h"
#include "textures/jpeg.h"

using namespace libgr;

namespace
{

const uint32_t kEdge = 1024;

grImage2D picture(uint32_t format)
{
    grImage2D img;
    img.format = {format, grTypeUINT, grBits8};
    img.width = img.height = kEdge;
    img.allocate();
    const uint32_t c = grComponents(format);
    for (uint32_t y = 0; y < kEdge; ++y)
        for (uint32_t x = 0; x < kEdge * c; ++x)
            img.row(y)[x] = uint8_t((x * 7 + y * 3 + (x * y) % 17) & 0xFF);
    return img;
}

void BM_JpegDecode(benchmark::State& state)
{
    grJpegInfo info;
    grFileBuffer file;
    jpegCompress(info, file.bytes, picture(grFmtRGB), 95, true);
    for (auto _ : state) {
        grImage2D img;
        jpegDecompress(info, img, file);
        benchmark::DoNotOptimize(img.data());
    }
    state.SetItemsProcessed(state.iterations() * kEdge * kEdge);
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);

void BM_PngLoad(benchmark::State& state)
{
    vyktest::TempDir dir;
    const std::string name = dir.file("b.png");
    autosaveformat(picture(grFmtRGB), name.c_str());
    for (auto _ : state) {
        grImage2D img;
        autoloadformat(img, name.c_str());
        benchmark::DoNotOptimize(img.data());
    }
    state.SetItemsProcessed(state.iterations() * kEdge * kEdge);
}
BENCHMARK(BM_PngLoad)->Unit(benchmark::kMillisecond);

void BM_BmpLoad(benchmark::State& state)
{
    vyktest::TempDir dir;
    const std::string name = dir.file("b.bmp");
    autosaveformat(picture(grFmtRGB), name.c_str());
    for (auto _ : state) {
        grImage2D img;
        autoloadformat(img, name.c_str()); // maps the file, no copy
        benchmark::DoNotOptimize(img.data());
    }
}
BENCHMARK(BM_BmpLoad)->Unit(benchmark::kMicrosecond);

void BM_Mono(benchmark::State& state)
{
    grImage2D src = picture(grFmtRGB);
    for (auto _ : state) {
        grImage2D dst;
        mono(dst, src);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kEdge * kEdge);
}
BENCHMARK(BM_Mono)->Unit(benchmark::kMillisecond);

void BM_NormalMap(benchmark::State& state)
{
    grImage2D src = picture(grFmtLuminance);
    for (auto _ : state) {
        grImage2D dst;
        normalmap(dst, src);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kEdge * kEdge);
}
BENCHMARK(BM_NormalMap)->Unit(benchmark::kMillisecond);

void BM_ScaleDown(benchmark::State& state)
{
    grImage2D src = picture(grFmtRGBA);
    for (auto _ : state) {
        grImage2D dst;
        scaledown(dst, src);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kEdge * kEdge);
}
BENCHMARK(BM_ScaleDown)->Unit(benchmark::kMillisecond);

} // namespace
