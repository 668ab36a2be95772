// Helpers shared by the image codec tests: byte builders and small images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/capture.h"
#include "support/paths.h"
#include "support/temp_dir.h"
#include "textures/image.h"

namespace imgtest
{

// `v` as `n` bytes, least significant first.
inline std::string le(uint32_t v, int n = 4)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += char((v >> (8 * i)) & 0xFF);
    return s;
}

inline std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list)
        s += char(b);
    return s;
}

// An image of the given format filled from `pixels` (packed rows, bottom
// row first), stored with the usual 4-byte row alignment.
inline libgr::grImage2D makeImage(libgr::grPixelFormat pf, uint32_t w, uint32_t h, const std::string& pixels)
{
    libgr::grImage2D img;
    img.format = pf;
    img.width = w;
    img.height = h;
    EXPECT_TRUE(img.allocate());
    const uint64_t packed = (uint64_t(w) * img.bitsPerPixel() + 7) / 8;
    EXPECT_EQ(pixels.size(), packed * h);
    for (uint32_t y = 0; y < h && pixels.size() >= packed * h; ++y)
        memcpy(img.row(y), pixels.data() + y * packed, packed);
    return img;
}

// Packed rows of an image, bottom row first.
inline std::string rowsOf(const libgr::grImage2D& img)
{
    std::string s;
    const uint64_t packed = (uint64_t(img.width) * img.bitsPerPixel() + 7) / 8;
    for (uint32_t y = 0; y < img.height; ++y)
        s.append(reinterpret_cast<const char*>(img.row(y)), packed);
    return s;
}

// What a prefix of a file that loads must give: nothing (it must fail), the
// size of the whole picture, or the whole picture (data cut after its end).
enum class Prefix { Fails, SameSize, SamePicture };

// The truncation sweep: `whole` must load; then every shorter prefix is
// loaded from a fresh file of its own, so no mapping or buffer is reused and
// the sanitizer sees every read past the end.
inline void sweepPrefixes(const std::string& whole, const std::string& ext, Prefix prefix,
                          const std::function<bool(libgr::grImage2D&, const char*)>& load)
{
    vyktest::TempDir dir;
    libgr::grImage2D full;
    ASSERT_TRUE(load(full, dir.write("whole" + ext, whole).c_str()));
    for (size_t n = 0; n < whole.size(); ++n) {
        const std::string name = dir.write("cut" + std::to_string(n) + ext, whole.substr(0, n));
        libgr::grImage2D img;
        bool ok = false;
        vyktest::stderrOf([&] { ok = load(img, name.c_str()); });
        std::remove(name.c_str());
        if (!ok)
            continue;
        EXPECT_NE(prefix, Prefix::Fails) << n;
        EXPECT_TRUE(img.width == full.width && img.height == full.height) << n;
        EXPECT_TRUE(prefix != Prefix::SamePicture || rowsOf(img) == rowsOf(full)) << n;
    }
}

// A case of a reader's table: what `file` loads to, without a word, or
// kRefused.
inline const libgr::grPixelFormat kRefused{~0u, 0, 0};
struct LoadCase {
    const char* name;
    std::string file;
    libgr::grPixelFormat format;
    std::string rows; // packed, bottom first
    uint64_t mapEntries = 0;
};

inline void expectLoads(const std::vector<LoadCase>& cases, const std::string& ext,
                        bool (*load)(libgr::grImage2D&, const char*))
{
    vyktest::TempDir dir;
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("case" + ext, c.file);
        libgr::grImage2D img;
        bool ok = false;
        EXPECT_EQ(vyktest::stderrOf([&] { ok = load(img, path.c_str()); }), "");
        ASSERT_EQ(ok, c.format != kRefused);
        if (!ok)
            continue;
        EXPECT_TRUE(img.format == c.format && img.pixelmap.count == c.mapEntries) << img.pixelmap.count;
        EXPECT_EQ(rowsOf(img), c.rows);
    }
}

inline std::string dataFile(const std::string& name)
{
    return vyktest::sourcePath("tests/data/" + name);
}

} // namespace imgtest
