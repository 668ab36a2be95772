#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "image_fixtures.h"
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "textures/image_format.h"

using namespace libgr;

// Every example image, no two alike; a directory that does not exist fails
// each file with its name.
TEST(Vykimg, WritesEveryExampleImage)
{
    vyktest::TempDir dir;
    vyktest::RunResult r = vyktest::run({vyktest::programPath("vykimg"), dir.path()});
    ASSERT_TRUE(r.status == 0 && r.err.empty()) << r.err;
    struct Expect {
        std::string name;
        uint32_t w, h, format;
    };
    std::vector<Expect> files = {
        {"globe_color.png", 256, 128, grFmtRGB},      {"globe_bump.bmp", 256, 128, grFmtLuminance},
        {"globe_spec.tga", 256, 128, grFmtLuminance}, {"torus_color.tga", 128, 64, grFmtBGR},
        {"panel_color.jpg", 128, 128, grFmtRGB},
    };
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"})
        files.push_back({std::string("sky_") + face + ".jpg", 256, 256, grFmtRGB});
    std::set<std::string> distinct;
    grImage2D img;
    for (const Expect& e : files) {
        ASSERT_TRUE(autoloadformat(img, dir.file(e.name).c_str())) << e.name;
        EXPECT_TRUE(img.width == e.w && img.height == e.h && img.format.format == e.format) << e.name;
        distinct.insert(imgtest::rowsOf(img));
    }
    EXPECT_EQ(distinct.size(), files.size());

    // On a side face the first stored row points up (cube-map convention):
    // bluish sky there, green or brown ground on the last row.
    const unsigned char *up = img.row(0) + 10 * 3, *down = img.row(255) + 10 * 3;
    EXPECT_TRUE(up[2] > up[0] && down[2] < down[1]);

    r = vyktest::run({vyktest::programPath("vykimg"), dir.file("missing")});
    EXPECT_TRUE(r.status == 1 && r.err.find(dir.file("missing") + "/globe_color.png: write failed.\n") != r.err.npos)
        << r.status << r.err;
}
