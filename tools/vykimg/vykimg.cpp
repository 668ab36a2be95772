// vykimg: writes the example images of examples/images with the project's
// own image writers.
//
//   vykimg [output directory]      (default: examples/images)
//
// Every picture is computed, so the files can be made again at any time.
// Exit status 0 when all were written, 1 otherwise (the failing file named
// on stderr).

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/huge_pages.h"
#include "textures/bmp.h"
#include "textures/image.h"
#include "textures/image_format.h"

using namespace libgr;

namespace
{

const float kPi = 3.14159265f;

struct rgb_t {
    float r, g, b;
};

rgb_t mix(rgb_t a, rgb_t b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

uint8_t byteOf(float v)
{
    v = v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
    return uint8_t(v * 255.0f + 0.5f);
}

float clamp01(float v)
{
    return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
}

rgb_t hue(float h) // h in [0, 1): fully saturated colour wheel
{
    h = h - std::floor(h);
    float r = clamp01(std::fabs(h * 6.0f - 3.0f) - 1.0f);
    float g = clamp01(2.0f - std::fabs(h * 6.0f - 2.0f));
    float b = clamp01(2.0f - std::fabs(h * 6.0f - 4.0f));
    return {r, g, b};
}

grImage2D newImage(uint32_t format, uint32_t w, uint32_t h)
{
    grImage2D img;
    img.format = {format, grTypeUINT, grBits8};
    img.width = w;
    img.height = h;
    if (!img.allocate())
        fprintf(stderr, "vykimg: cannot allocate %ux%u.\n", w, h);
    return img;
}

void put(grImage2D& img, uint32_t x, uint32_t y, rgb_t c)
{
    unsigned char* p = img.row(y) + x * 3;
    p[0] = byteOf(c.r);
    p[1] = byteOf(c.g);
    p[2] = byteOf(c.b);
}

// Height of the globe at a longitude and latitude (radians): smooth
// "continents" from a few waves, 0..1.
float globeHeight(float lon, float lat)
{
    float h = 0.5f + 0.22f * std::sin(3.0f * lon + 1.0f) * std::cos(2.0f * lat) +
              0.18f * std::sin(5.0f * lon - 2.0f * lat) + 0.10f * std::cos(9.0f * lon + 4.0f * lat) +
              0.05f * std::sin(17.0f * lon) * std::sin(13.0f * lat);
    return clamp01(h);
}

// Image row y (bottom first) of an equirectangular map: latitude.
float latitudeOf(uint32_t y, uint32_t h)
{
    return ((y + 0.5f) / h - 0.5f) * kPi;
}
float longitudeOf(uint32_t x, uint32_t w)
{
    return ((x + 0.5f) / w) * 2.0f * kPi - kPi;
}

grImage2D globeColor()
{
    const uint32_t w = 256, h = 128;
    grImage2D img = newImage(grFmtRGB, w, h);
    for (uint32_t y = 0; y < h; ++y) {
        const float lat = latitudeOf(y, h);
        const int band = int(std::floor((lat / kPi + 0.5f) * 12.0f)); // 15-degree latitude bands
        for (uint32_t x = 0; x < w; ++x) {
            const float lon = longitudeOf(x, w);
            rgb_t c = hue(lon / (2.0f * kPi) + 0.5f);
            c = mix(c, {1, 1, 1}, (band % 2) ? 0.35f : 0.0f); // alternate bands lighter
            if (globeHeight(lon, lat) < 0.45f)
                c = mix(c, {0.05f, 0.15f, 0.45f}, 0.55f); // seas darker and bluer
            // Grid every 30 degrees.
            const float deg = 180.0f / kPi;
            if (std::fmod(std::fabs(lon * deg) + 0.7f, 30.0f) < 1.4f ||
                std::fmod(std::fabs(lat * deg) + 0.7f, 30.0f) < 1.4f)
                c = mix(c, {0, 0, 0}, 0.6f);
            put(img, x, y, c);
        }
    }
    return img;
}

grImage2D globeGrey(bool specular)
{
    const uint32_t w = 256, h = 128;
    grImage2D img = newImage(grFmtLuminance, w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const float height = globeHeight(longitudeOf(x, w), latitudeOf(y, h));
            float v = specular ? (height < 0.45f ? 0.9f : 0.15f + 0.2f * height) : height;
            img.row(y)[x] = byteOf(v);
        }
    return img;
}

grImage2D torusChecker()
{
    const uint32_t w = 128, h = 64;
    grImage2D img = newImage(grFmtRGB, w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const bool dark = ((x / 16) + (y / 16)) % 2;
            const rgb_t light = mix({0.95f, 0.85f, 0.2f}, {0.95f, 0.4f, 0.1f}, y / float(h));
            put(img, x, y, dark ? rgb_t{0.1f, 0.2f, 0.55f} : light);
        }
    return img;
}

grImage2D panel()
{
    const uint32_t n = 128;
    grImage2D img = newImage(grFmtRGB, n, n);
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x) {
            // Brushed metal: fine horizontal streaks over a vertical gradient.
            float streak = 0.04f * std::sin(y * 2.7f + std::sin(x * 0.05f) * 3.0f);
            float base = 0.55f + 0.2f * (y / float(n)) + streak;
            rgb_t c{base, base, base * 1.05f};
            const uint32_t edge = x < y ? (x < n - 1 - y ? x : n - 1 - y) : (y < n - 1 - x ? y : n - 1 - x);
            if (edge < 4)
                c = mix(c, {0.15f, 0.15f, 0.18f}, 0.7f); // frame
            if (y >= 56 && y < 72)
                c = mix(c, {0.85f, 0.1f, 0.1f}, 0.8f); // red stripe
            for (uint32_t cy : {12u, n - 13})          // rivets
                for (uint32_t cx : {12u, n - 13}) {
                    float dx = float(x) - cx, dy = float(y) - cy, r = std::sqrt(dx * dx + dy * dy);
                    if (r < 5.0f)
                        c = mix({0.9f, 0.9f, 0.9f}, {0.3f, 0.3f, 0.3f}, clamp01((dx - dy) / 10.0f + 0.5f));
                }
            put(img, x, y, c);
        }
    return img;
}

// Direction of cube-map texel (s, t) in [-1, 1] of a face, in the cube-map
// convention of OpenGL: row 0 of an image (its first row in memory) is
// t = -1, which on the side faces points up.
void faceDirection(int face, float sc, float tc, float d[3])
{
    switch (face) {
    case 0:
        d[0] = 1, d[1] = -tc, d[2] = -sc;
        break; // +x
    case 1:
        d[0] = -1, d[1] = -tc, d[2] = sc;
        break; // -x
    case 2:
        d[0] = sc, d[1] = 1, d[2] = tc;
        break; // +y
    case 3:
        d[0] = sc, d[1] = -1, d[2] = -tc;
        break; // -y
    case 4:
        d[0] = sc, d[1] = -tc, d[2] = 1;
        break; // +z
    default:
        d[0] = -sc, d[1] = -tc, d[2] = -1;
        break; // -z
    }
    float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (int i = 0; i < 3; ++i)
        d[i] /= len;
}

rgb_t skyColour(const float d[3])
{
    const float elev = d[1];
    const float az = std::atan2(d[2], d[0]);
    if (elev >= 0.0f) {
        // Horizon haze tinted by azimuth (warm towards +x, cool towards -x).
        rgb_t haze = mix({0.75f, 0.85f, 0.95f}, {0.98f, 0.8f, 0.6f}, 0.5f + 0.5f * std::cos(az));
        rgb_t c = mix(haze, {0.1f, 0.25f, 0.65f}, std::pow(elev, 0.45f));
        // Clouds: waves on a plane above the viewer.
        if (elev > 0.03f) {
            float u = d[0] / elev, v = d[2] / elev;
            float cloud = std::sin(u * 1.7f + std::sin(v * 2.3f)) * std::sin(v * 1.3f + std::sin(u * 0.7f) * 2.0f);
            cloud = clamp01((cloud - 0.35f) * 2.5f) * clamp01(elev * 4.0f);
            c = mix(c, {1, 1, 1}, 0.7f * cloud);
        }
        // The sun.
        const float sun[3] = {0.72f, 0.45f, 0.53f};
        float cosang = d[0] * sun[0] + d[1] * sun[1] + d[2] * sun[2];
        c = mix(c, {1.0f, 0.95f, 0.8f}, clamp01((cosang - 0.96f) * 25.0f) + 0.25f * std::pow(clamp01(cosang), 40.0f));
        return c;
    }
    // Ground: a chequered plain one unit below, fading into haze.
    float u = d[0] / -elev, v = d[2] / -elev;
    bool check = (int(std::floor(u)) + int(std::floor(v))) & 1;
    rgb_t ground = check ? rgb_t{0.25f, 0.45f, 0.15f} : rgb_t{0.4f, 0.32f, 0.2f};
    return mix(ground, {0.55f, 0.6f, 0.6f}, std::pow(1.0f + elev, 12.0f) * 0.8f);
}

grImage2D skyFace(int face)
{
    const uint32_t n = 256;
    grImage2D img = newImage(grFmtRGB, n, n);
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x) {
            float d[3];
            faceDirection(face, 2.0f * (x + 0.5f) / n - 1.0f, 2.0f * (y + 0.5f) / n - 1.0f, d);
            put(img, x, y, skyColour(d));
        }
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    startWithHugePages(argv);
    const std::string dir = argc > 1 ? argv[1] : "examples/images";
    bool ok = true;
    auto save = [&](const grImage2D& img, const char* name) {
        const std::string path = dir + "/" + name;
        if (!autosaveformat(img, path.c_str())) {
            fprintf(stderr, "%s: write failed.\n", path.c_str());
            ok = false;
        }
    };
    save(globeColor(), "globe_color.png");
    {
        // An 8-bit grey BMP height map: written by the codec itself, since
        // saving by extension accepts only RGB for BMP.
        const std::string path = dir + "/globe_bump.bmp";
        if (!bmpSave(globeGrey(false), path.c_str())) {
            fprintf(stderr, "%s: write failed.\n", path.c_str());
            ok = false;
        }
    }
    save(globeGrey(true), "globe_spec.tga");
    save(torusChecker(), "torus_color.tga");
    save(panel(), "panel_color.jpg");
    const char* faces[] = {"sky_posx.jpg", "sky_negx.jpg", "sky_posy.jpg",
                           "sky_negy.jpg", "sky_posz.jpg", "sky_negz.jpg"};
    for (int f = 0; f < 6; ++f)
        save(skyFace(f), faces[f]);
    return ok ? 0 : 1;
}
