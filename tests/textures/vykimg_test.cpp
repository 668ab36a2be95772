#include <gtest/gtest.h>

#include <set>
#include <string>

#include "image_fixtures.h"
#include "support/paths.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "textures/image_format.h"

using namespace libgr;

TEST(Vykimg, WritesEveryExampleImage)
{
    vyktest::TempDir dir;
    vyktest::RunResult r = vyktest::run({vyktest::programPath("vykimg"), dir.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    struct Expect {
        const char* name;
        uint32_t w, h;
        uint32_t format;
    } files[] = {
        {"globe_color.png", 256, 128, grFmtRGB},      {"globe_bump.bmp", 256, 128, grFmtLuminance},
        {"globe_spec.tga", 256, 128, grFmtLuminance}, {"torus_color.tga", 128, 64, grFmtBGR},
        {"panel_color.jpg", 128, 128, grFmtRGB},      {"sky_posx.jpg", 256, 256, grFmtRGB},
        {"sky_negx.jpg", 256, 256, grFmtRGB},         {"sky_posy.jpg", 256, 256, grFmtRGB},
        {"sky_negy.jpg", 256, 256, grFmtRGB},         {"sky_posz.jpg", 256, 256, grFmtRGB},
        {"sky_negz.jpg", 256, 256, grFmtRGB},
    };
    std::set<std::string> distinct;
    for (const Expect& e : files) {
        SCOPED_TRACE(e.name);
        grImage2D img;
        ASSERT_TRUE(autoloadformat(img, dir.file(e.name).c_str()));
        EXPECT_EQ(img.width, e.w);
        EXPECT_EQ(img.height, e.h);
        EXPECT_EQ(img.format.format, e.format);
        distinct.insert(imgtest::rowsOf(img));
    }
    EXPECT_EQ(distinct.size(), sizeof files / sizeof files[0]); // no two pictures alike

    // The side faces have sky above a horizon: on a side face the first
    // stored row points up (cube-map convention), the last one down.
    grImage2D face;
    ASSERT_TRUE(autoloadformat(face, dir.file("sky_posz.jpg").c_str()));
    const unsigned char* up = face.row(0) + 10 * 3;
    const unsigned char* down = face.row(255) + 10 * 3;
    EXPECT_GT(int(up[2]), int(up[0]));     // bluish sky
    EXPECT_LT(int(down[2]), int(down[1])); // green or brown ground

    // A directory that does not exist: each file is reported.
    r = vyktest::run({vyktest::programPath("vykimg"), dir.file("missing")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir.file("missing") + "/globe_color.png: write failed.\n"), std::string::npos);
}
