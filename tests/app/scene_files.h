// Small scene files and images written by the tests.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>

namespace apptest
{

struct rgb_t {
    int r, g, b;
};

// A polygon section: a w x h rectangle in the plane z = `z` (or, with
// edgeOn, in the plane y = `z`, seen edge-on by the default camera), one
// strip of two triangles, facing +z, in one colour.
inline std::string quadSection(float w, float h, float z, rgb_t c, bool edgeOn = false, float cx = 0.0f)
{
    std::ostringstream s;
    s << "begin polygon_surface,4,4\n";
    s << "color " << c.r << "," << c.g << "," << c.b << ",255\n";
    const float xs[4] = {-w / 2, w / 2, -w / 2, w / 2};
    const float ys[4] = {-h / 2, -h / 2, h / 2, h / 2};
    const float us[4] = {0, 1, 0, 1};
    const float vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        s << "texcoord " << us[i] << "," << vs[i] << "\n";
        if (edgeOn)
            s << "position " << cx + xs[i] << "," << z << "," << ys[i] << "\n";
        else
            s << "position " << cx + xs[i] << "," << ys[i] << "," << z << "\n";
    }
    for (int i = 0; i < 4; ++i)
        s << "element " << i << "\n";
    for (int i = 0; i < 4; ++i) {
        s << "tangent 1,0,0\n";
        if (edgeOn)
            s << "binormal 0,0,-1\nnormal 0,1,0\n";
        else
            s << "binormal 0,1,0\nnormal 0,0,1\n";
    }
    s << "end\n";
    return s.str();
}

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

// An environment section naming `base` + ".bmp".
inline std::string environmentSection(const std::string& base)
{
    return "begin environment\ncubetex " + base + ".bmp\nend\n";
}

} // namespace apptest
