// Costs of the texture paths that run per load: the pixel-format lookup,
// uploading a texture with its mipmap chain, and opening a texture set whose
// maps are already cached (the case of many surfaces sharing one map).

#include "model/texture.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "textures/bmp.h"
#include "textures/texturable.h"
#include "textures/texture_object.h"
#include "textures/texture_upload.h"

#include <benchmark/benchmark.h>

#include <cstring>

using namespace libgr;

namespace
{

grImage2D rgbImage(uint32_t edge)
{
    grImage2D img;
    img.format = {grFmtRGB, grTypeUINT, grBits8};
    img.width = edge;
    img.height = edge;
    img.allocate();
    std::memset(img.data(), 0x5A, img.size());
    return img;
}

void BM_Translate(benchmark::State& state)
{
    const grPixelFormat formats[] = {{grFmtRGB, grTypeUINT, grBits8},
                                     {grFmtBGRA, grTypeUINT, grBits8},
                                     {grFmtLuminance, grTypeUINT, grBits8},
                                     {grFmtRGB, grTypeSINT, grBits8},
                                     {grFmtRGBA, grTypeFLOAT, grBits32}};
    grGLFormat gl;
    for (auto _ : state)
        for (const grPixelFormat& pf : formats)
            benchmark::DoNotOptimize(translateQuiet(pf, false, gl));
    state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_Translate);

// Create: define level 0 and generate the chain.
void BM_Upload2DMipmapped(benchmark::State& state)
{
    vyktest::glContext();
    grImage2D img = rgbImage(uint32_t(state.range(0)));
    grTexture2D tex;
    tex.SetMipmap(true);
    tex.SetImage(img, 0, 0);
    grTextureObject obj;
    for (auto _ : state) {
        obj.Create(tex);
        glFinish();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(img.size()));
}
BENCHMARK(BM_Upload2DMipmapped)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

// open() of a set whose colour and bump maps are cached: lookups plus the
// bump texture's re-upload that every open does.
void BM_TextureSetOpenCached(benchmark::State& state)
{
    vyktest::glContext();
    vyk3d::clearTextureRegistries();
    vyktest::TempDir dir;
    grImage2D grey;
    grey.format = {grFmtLuminance, grTypeUINT, grBits8};
    grey.width = grey.height = uint32_t(state.range(0));
    grey.allocate();
    bmpSave(grey, dir.file("height.bmp").c_str());
    bmpSave(grey, dir.file("colour.bmp").c_str());
    std::string scene = dir.file("scene.vyk");
    vyk3d::texture_t set;
    set.colormap = "colour.bmp";
    set.bumpmap = "height.bmp";
    set.open(scene.c_str());
    for (auto _ : state) {
        vyk3d::texture_t t = set;
        benchmark::DoNotOptimize(t.open(scene.c_str()));
        glFinish();
    }
    vyk3d::clearTextureRegistries();
}
BENCHMARK(BM_TextureSetOpenCached)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond);

} // namespace
