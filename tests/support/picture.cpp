#include "support/picture.h"

#include "textures/image_format.h"
#include "textures/png.h"

#include <algorithm>
#include <cstdlib>

namespace vyktest
{

Image readImage(const std::string& path)
{
    libgr::grImage2D png;
    Image img;
    if (!libgr::pngLoad(png, path.c_str()) || (png.bitsPerPixel() != 24 && png.bitsPerPixel() != 32))
        return img;
    const uint32_t bytes = png.bitsPerPixel() / 8;
    img.width = int(png.width);
    img.height = int(png.height);
    for (uint32_t y = png.height; y-- > 0;) // stored bottom row first
        for (uint32_t x = 0; x < png.width; ++x)
            img.rgb.insert(img.rgb.end(), png.row(y) + x * bytes, png.row(y) + x * bytes + 3);
    return img;
}

long differingPixels(const Image& actual, const Image& expected, int tolerance, const std::string& diffPath)
{
    if (actual.empty() || actual.width != expected.width || actual.height != expected.height)
        return -1;
    libgr::grImage2D diff;
    diff.format = {libgr::grFmtRGB, libgr::grTypeUINT, libgr::grBits8};
    diff.width = uint32_t(actual.width);
    diff.height = uint32_t(actual.height);
    const bool write = !diffPath.empty() && diff.allocate();
    long n = 0;
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x) {
            const auto a = actual.at(x, y), e = expected.at(x, y);
            bool differs = false;
            for (int k = 0; k < 3; ++k)
                differs = differs || std::abs(a[k] - e[k]) > tolerance;
            n += differs;
            if (write) {
                unsigned char* p = diff.row(uint32_t(actual.height - 1 - y)) + 3 * x;
                for (int k = 0; k < 3; ++k)
                    p[k] = differs ? (k == 0 ? 255 : 0) : (unsigned char)(e[k] / 4);
            }
        }
    if (write && n > 0)
        libgr::autosaveformat(diff, diffPath.c_str());
    return n;
}

PixelBox contentBox(const Image& image)
{
    PixelBox b{image.width, image.height, -1, -1};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            for (int c : image.at(x, y))
                if (std::abs(c - 46) > 12) {
                    b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
                    break;
                }
    return b;
}

} // namespace vyktest
