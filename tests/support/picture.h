#pragma once

// Pictures in tests: PNG files read as 8-bit RGB, and a pixel-wise
// comparison that writes a readable difference image when it fails.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace vyktest
{

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb; // top row first
    bool empty() const { return rgb.empty(); }
    std::array<int, 3> at(int x, int y) const
    {
        const std::size_t i = (std::size_t(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// A PNG file as 8-bit RGB, top row first; empty on any error.
Image readImage(const std::string& path);

// Pixels of `actual` with a channel more than `tolerance` away from
// `expected`; -1 when the sizes differ or either is empty. When some
// differ and `diffPath` is given, writes there a PNG of the expected
// picture, dimmed, with the differing pixels in full red.
long differingPixels(const Image& actual, const Image& expected, int tolerance = 0, const std::string& diffPath = "");

// The box of the pixels with a channel more than 12 away from the
// background's grey (46); x0 > x1 when there are none.
struct PixelBox {
    int x0, y0, x1, y1;
};
PixelBox contentBox(const Image& image);

} // namespace vyktest
