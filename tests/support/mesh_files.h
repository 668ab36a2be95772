#pragma once
// Small mesh files in formats read through assimp, written by the tests.
#include "support/temp_dir.h"
#include "textures/png.h"

#include <gtest/gtest.h>

#include "support/scene_text.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace assimptest
{

inline std::string base64(const std::string& in)
{
    static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        uint32_t n = 0;
        for (size_t j = 0; j < 3; ++j)
            n = n << 8 | (i + j < in.size() ? uint8_t(in[i + j]) : 0u);
        for (size_t j = 0; j < 4; ++j)
            out += i + j <= in.size() ? k[(n >> (18 - 6 * j)) & 63] : '=';
    }
    return out;
}

inline std::string floats(std::initializer_list<float> values)
{
    return std::string(reinterpret_cast<const char*>(values.begin()), values.size() * sizeof(float));
}

// A 2 x 2 PNG of one colour, as bytes.
inline std::string pngBytes(const vyktest::TempDir& dir, vyktest::rgb_t c)
{
    libgr::grImage2D img;
    img.format = {libgr::grFmtRGB, libgr::grTypeUINT, libgr::grBits8};
    img.width = img.height = 2;
    EXPECT_TRUE(img.allocate());
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 6; ++x)
            img.row(y)[x] = uint8_t(x % 3 == 0 ? c.r : x % 3 == 1 ? c.g : c.b);
    EXPECT_TRUE(libgr::pngSave(img, dir.file("p.png").c_str()));
    return vyktest::readFile(dir.file("p.png"));
}

// A glTF triangle in the z = 0 plane under a node with `node` (JSON
// members), its colour map an embedded PNG of colour c.
inline std::string gltf(const vyktest::TempDir& dir, const std::string& node, vyktest::rgb_t c)
{
    const std::string buf = floats({-1, -1, 0, 1, -1, 0, 0, 1, 0, 0, 0, 1, 0, 0.5f, 1});
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0)" + node +
           R"(}],"meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"material":0}]}],)"
           R"("materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],"textures":[{"source":0}],)"
           R"("images":[{"uri":"data:image/png;base64,)" +
           base64(pngBytes(dir, c)) + R"("}],"buffers":[{"byteLength":60,"uri":"data:;base64,)" + base64(buf) +
           R"("}],"bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":24}],)"
           R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[-1,-1,0],)"
           R"("max":[1,1,0]},{"bufferView":1,"componentType":5126,"count":3,"type":"VEC2"}]})";
}

// A red quad in OBJ with its material, a colour map and a height map, and a
// line that is left out.
inline void objFiles(const vyktest::TempDir& dir)
{
    dir.write("quad.obj", "mtllib quad.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
                          "vt 0 1\nusemtl red\nf 1/1 2/2 3/3 4/4\nl 1 3\n");
    dir.write("quad.mtl", "newmtl red\nKd 1 0 0\nmap_Kd maps\\tex.bmp\nmap_bump h.bmp\nmap_Ks gone.bmp\n");
    dir.write("maps/tex.bmp", vyktest::bmpFile(2, 2, {255, 255, 255}));
    dir.write("h.bmp", vyktest::bmpFile(2, 2, {128, 128, 128}));
}

} // namespace assimptest
