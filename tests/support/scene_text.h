// Small scene, STL and image files written by the tests.
#pragma once

#include "support/temp_dir.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace vyktest
{

struct rgb_t {
    int r, g, b;
};

// A w x h rectangle centred on (cx, 0) in the plane z = `z`.
struct rect_t {
    float w, h, z, cx = 0.0f;
};

// One polygon section of rectangles facing +z (edgeOn: in planes y = z,
// seen edge-on by the default camera), each a strip of two triangles, the
// strips separated by restart indices, all in one colour.
inline std::string quadSection(const std::vector<rect_t>& quads, rgb_t c, bool edgeOn = false)
{
    std::ostringstream s;
    s << "begin polygon_surface," << 4 * quads.size() << "," << 5 * quads.size() - 1 << "\n";
    s << "color " << c.r << "," << c.g << "," << c.b << ",255\n";
    for (const rect_t& q : quads)
        for (int i = 0; i < 4; ++i) {
            const float x = q.cx + (float(i % 2) - 0.5f) * q.w, y = (float(i / 2) - 0.5f) * q.h;
            s << "texcoord " << i % 2 << "," << i / 2 << "\n";
            s << "position " << x << "," << (edgeOn ? q.z : y) << "," << (edgeOn ? y : q.z) << "\n";
        }
    for (size_t i = 0; i < 4 * quads.size(); ++i)
        s << (i % 4 == 0 && i > 0 ? "element -1\n" : "") << "element " << i << "\n";
    for (size_t i = 0; i < 4 * quads.size(); ++i)
        s << "tangent 1,0,0\n" << (edgeOn ? "binormal 0,0,-1\nnormal 0,1,0\n" : "binormal 0,1,0\nnormal 0,0,1\n");
    return s.str() + "end\n";
}

// A text STL file of one facet.
inline const std::string kOneFacetStl = "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
                                        "vertex 0 1 0\nendloop\nendfacet\nendsolid t\n";

// A w x h 24-bit BMP file of one colour.
inline std::string bmpFile(uint32_t w, uint32_t h, rgb_t c)
{
    const uint32_t row = (w * 3 + 3) / 4 * 4;
    std::string b;
    auto le = [&](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            b += char((v >> (8 * k)) & 0xFF);
    };
    b += "BM"; // 14-byte file header: size, reserved, pixel data offset
    le(54 + row * h, 4), le(0, 4), le(54, 4);
    // 40-byte info header: size, w, h, 1 plane, 24 bits, no compression,
    // data size, 72 dpi both ways, no palette
    le(40, 4), le(w, 4), le(h, 4), le(1, 2), le(24, 2), le(0, 4), le(row * h, 4), le(2835, 4), le(2835, 4);
    le(0, 4), le(0, 4);
    for (uint32_t y = 0; y < h; ++y) { // rows bottom first, BGR, padded
        for (uint32_t x = 0; x < w; ++x)
            b += {char(c.b), char(c.g), char(c.r)};
        b.append(row - w * 3, '\0');
    }
    return b;
}

// The six faces "<stem>_posx.bmp" ... "<stem>_negz.bmp" of a cube map, face
// f of colour(f), `edge` pixels square; face `oddFace` twice as large.
inline void writeCubeFaces(const std::string& stem, const std::function<rgb_t(int)>& colour, uint32_t edge = 1,
                           int oddFace = -1)
{
    static const char* const names[6] = {"posx", "negx", "posy", "negy", "posz", "negz"};
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(stem).parent_path(), ignored);
    for (int f = 0; f < 6; ++f) {
        const uint32_t n = f == oddFace ? 2 * edge : edge;
        writeFile(stem + "_" + names[f] + ".bmp", bmpFile(n, n, colour(f)));
    }
}

} // namespace vyktest
