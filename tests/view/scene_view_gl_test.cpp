// The scene view in this process's GL context: fit, reload, the drag and
// the pick, with real scene files on disk.
#include "gl/scoped_map.h"
#include "view/pick.h"
#include "view/scene_view.h"

#include "support/mesh_files.h"
#include "support/polygon_fill.h"
#include "support/scene_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using namespace vyktest;

// The view, with the load progress it would show.
struct Recorder : sceneview_t {
    using sceneview_t::sceneview_t;
    std::vector<std::string> texts;
    void loadProgress(const std::string& text) override { texts.push_back(text); }
};

// A viewer over files written into a temporary directory, initialised and
// reshaped to 800 x 600 as the window does (`beforeFit` runs in between).
struct Viewer {
    vyktest::TempDir dir;
    std::vector<std::string> paths;
    std::vector<char*> argv;
    std::unique_ptr<Recorder> v;
    char program[8] = "vykview";

    explicit Viewer(const std::vector<std::string>& contents, const std::string& extension = ".vyk",
                    const std::function<void(Recorder&)>& beforeFit = nullptr)
    {
        argv.push_back(program);
        for (std::size_t i = 0; i < contents.size(); ++i)
            paths.push_back(dir.write("s" + std::to_string(i) + extension, contents[i]));
        for (std::string& p : paths)
            argv.push_back(p.data());
        argv.push_back(nullptr);
        v = std::make_unique<Recorder>(int(argv.size() - 1), argv.data());
        v->init();
        if (beforeFit)
            beforeFit(*v);
        v->reshape(800, 600);
    }
    Recorder* operator->() { return v.get(); }

    // Device coordinates of an object point.
    pos3 project(const pos3& p) const { return transformPoint(v->projectionMatrix * v->modelview, p); }
    // Object point under a device point.
    pos3 unproject(const pos3& ndc) const
    {
        const pos3 eye = homogenize(v->invProjection * vec3w{ndc.x, ndc.y, ndc.z, 1.0f});
        return transformPoint(v->invModelview, eye);
    }
};

bool finite(const pos3& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The pick answers the nearest surface point under the pixel: of one quad,
// of two quads in two models, and of two quads in one model, in both orders.
TEST(ViewerGL, PickFindsTheNearestSurfaceUnderThePixel)
{
    const rect_t nearQuad{1, 1, 0.5f}, farQuad{2, 2, -0.5f};
    const rgb_t grey{200, 200, 200};
    const struct {
        std::string scene;
        float z;
    } cases[] = {
        {quadSection({{2, 2, 0}}, grey), 0.0f},
        {quadSection({nearQuad}, grey) + quadSection({farQuad}, grey), 0.5f},
        {quadSection({farQuad}, grey) + quadSection({nearQuad}, grey), 0.5f},
        {quadSection({nearQuad, farQuad}, grey), 0.5f},
        {quadSection({farQuad, nearQuad}, grey), 0.5f},
    };
    for (const auto& c : cases) {
        Viewer w({c.scene});
        EXPECT_TRUE(fequal(w->pick(5.0f, 5.0f), pos3{0, 0, 0})); // background
        const pos3 hit = w->pick(400.0f, 300.0f);
        EXPECT_LE(std::fabs(hit.x), 0.5f / 400.0f + 1e-6f);
        EXPECT_LE(std::fabs(hit.y), 0.5f / 300.0f + 1e-6f);
        // The quads are flat: their depth there is the pick's depth.
        EXPECT_NEAR(hit.z, w.project({0, 0, c.z}).z, 1e-5f) << c.scene;
    }
}

TEST(ViewerGL, LeftDragKeepsTheGrabbedPointUnderThePointer)
{
    Viewer w({quadSection({{2, 2, 0}}, {200, 200, 200})});
    // Turn the model first so the grabbed plane is oblique.
    w->mouse(2, 0, 400, 300);
    w->motion(430, 280);
    w->mouse(2, 1, 430, 280);
    const int wx = 420, wy = 310; // window pixels, y downward
    w->mouse(0, 0, wx, wy);
    ASSERT_NE(w->pickPoint.z, 0.0f);
    const pos3 grabbed = w.unproject(w->pickPoint);
    const int moves[][2] = {{440, 300}, {470, 260}, {520, 230}};
    for (const auto& m : moves) {
        w->motion(m[0], m[1]);
        const pos3 ndc = w.project(grabbed);
        const float px = ndc.x * 400.0f + 400.0f;
        const float py = ndc.y * 300.0f + 300.0f;
        EXPECT_NEAR(px, float(m[0]), 1.0f);
        EXPECT_NEAR(py, float(600 - 1 - m[1]), 1.0f);
    }
    w->mouse(0, 1, 520, 230);
}

// No hit from a triangle that a strip across a restart would form, nor from
// one with a vertex behind the eye.
TEST(ViewerGL, HitPolygonFormsNoTriangleAcrossARestartNorBehindTheEye)
{
    // Two small triangles left and right of the centre; the triangle
    // (1, 2, 3) that a strip across the restart would form covers it.
    vyk3d::polygon_t p, behind;
    vyktest::fillPolygon(p, {-3, -1, 0, -2, -1, 0, -2.5f, 1, 0, 2.5f, 1, 0, 2, -1, 0, 3, -1, 0}, 3,
                         {0, 1, 2, vyk3d::restartIndex, 3, 4, 5});
    line2d region[4];
    pickRegion(400.0f, 300.0f, 400.0f, 300.0f, region);
    const mtx3w proj = frustumMatrix(viewFrustum(800, 600));
    const mtx3w mv = translation(0.0f, 0.0f, -5.0f);
    hitmap_t hits;
    EXPECT_FALSE(hitPolygon(hits, p, region, proj, mv));
    // Joined into one strip, the middle triangles do cover the centre.
    {
        vyk3d::scoped_map_t<uint32_t> e(p.elements);
        e[3] = 3;
    }
    EXPECT_TRUE(hitPolygon(hits, p, region, proj, mv));
    EXPECT_EQ(hits.size(), 1u); // a flat facing triangle: four corners, one depth
    // Projected without clipping, a vertex behind the eye would land
    // anywhere, and w = 0 gives NaN.
    vyktest::fillPolygon(behind, {-1, -1, -5, 1, -1, -5, 0, 1, 0}, 3, {0, 1, 2});
    for (float x = 0.0f; x < 800.0f; x += 50.0f) {
        pickRegion(x, 300.0f, 400.0f, 300.0f, region);
        EXPECT_FALSE(hitPolygon(hits, behind, region, proj, identityMatrix())) << x;
    }
}

TEST(ViewerGL, FitOfEmptyAndDegenerateScenesAndOfAWindowWithoutHeight)
{
    {
        Viewer w({"begin environment\nend\n"});
        EXPECT_EQ(w->camera.t.z, -3.0f);
    }
    const struct {
        const char* name;
        std::string scene;
    } cases[] = {
        {"small flat model in the fit camera's plane", quadSection({{0.5f, 0.5f, 0}}, {9, 9, 9})},
        {"flat model seen edge-on", quadSection({{4, 4, 0}}, {9, 9, 9}, true)},
        {"one point", quadSection({{0, 0, 0}}, {9, 9, 9})},
        {"off-centre model", quadSection({{1, 1, -2, 3.0f}}, {9, 9, 9}, false)},
    }; // a plain model's fit is seen in vykshot's pictures
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Viewer w({c.scene});
        EXPECT_TRUE(finite(w->extent) && !fequal(w->extent, pos3{0, 0, 0}));
        // A refit does not move the camera again.
        const float z = w->camera.t.z;
        EXPECT_LT(z, 0.0f);
        w->reshape(640, 480);
        EXPECT_EQ(w->camera.t.z, z);
        // A window of no height keeps the projection and a dragged camera finite.
        w->reshape(800, 0);
        for (int k = 0; k < 16; ++k)
            ASSERT_TRUE(std::isfinite(w->projectionMatrix.m[k]) && std::isfinite(w->invProjection.m[k]));
        w->mouse(0, 0, 10, 0);
        w->motion(30, 5);
        w->mouse(0, 1, 30, 5);
        EXPECT_TRUE(finite(w->camera.t));
    }
}

// The fit over an STL reader's bounds by blocks, which passes over most
// positions, is the fit over every position: small random triangles, those
// close in the file close in space, and four corners in four blocks that
// project to the same largest x (the same x and z, other y), of which the
// first in the file sets the view; or the lowest corner, in the last
// block, which is partial (2000 triangles in blocks of 64).
TEST(ViewerGL, FitOverAReadersBlocksIsTheFitOverEveryPosition)
{
    auto mesh = [](float laterX, float lastY = 0.0f) {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
        std::ostringstream stl;
        stl << "solid r\n";
        pos3 near{0, 0, 0};
        for (int t = 0; t < 2000; ++t) {
            if (t % 50 == 0)
                near = {coordinate(random) * 0.4f, coordinate(random) * 0.4f, coordinate(random) * 0.4f};
            stl << "facet normal 0 0 1\nouter loop\n";
            for (int k = 0; k < 3; ++k) {
                pos3 p{near.x + coordinate(random) / 50, near.y + coordinate(random) / 50,
                       near.z + coordinate(random) / 50};
                if (t % 500 == 7 && k == 0)
                    p = {t < 500 ? 1.5f : laterX, 0.5f - float(t / 500) * 0.25f, 0.3f};
                if (t == 1999 && k == 2 && lastY != 0.0f)
                    p = {0.1f, lastY, 0.3f};
                stl << "vertex " << p.x << " " << p.y << " " << p.z << "\n";
            }
            stl << "endloop\nendfacet\n";
        }
        return stl.str();
    };
    auto forgetBounds = [](Recorder& r) {
        for (auto& scene : r.scenes)
            for (const auto& model : scene)
                model->polygon.loadedBounds.reset();
    };
    Viewer blocks({mesh(1.5f)}, ".stl");
    Viewer every({mesh(1.5f)}, ".stl", forgetBounds);
    // The other three a little inside: the first alone is the extreme.
    Viewer first({mesh(1.49f)}, ".stl");
    Viewer lastBlock({mesh(1.5f, -1.7f)}, ".stl");
    Viewer lastEvery({mesh(1.5f, -1.7f)}, ".stl", forgetBounds);
    const std::pair<Viewer*, Viewer*> same[] = {{&blocks, &every}, {&blocks, &first}, {&lastBlock, &lastEvery}};
    for (const auto& [a, b] : same) {
        EXPECT_EQ((*a)->extent.x, (*b)->extent.x);
        EXPECT_EQ((*a)->extent.y, (*b)->extent.y);
        EXPECT_EQ((*a)->extent.z, (*b)->extent.z);
        EXPECT_EQ((*a)->camera.t.z, (*b)->camera.t.z);
    }
    EXPECT_NE(blocks->camera.t.z, lastBlock->camera.t.z);
}

// A model far from the origin turns about its own centre; wheel steps zoom
// a huge and a tiny model alike, and no number of them passes into the
// model or loses it behind the far plane.
TEST(ViewerGL, TurningAndZoomFollowTheModel)
{
    Viewer far({offBox({100, 100, 0}, {110, 110, 10})}, ".off");
    far->mouse(2, 0, 400, 300);
    far->motion(470, 340);
    const pos3 centre = far.project({105, 105, 5});
    EXPECT_TRUE(std::fabs(centre.x) < 1e-3f && std::fabs(centre.y) < 1e-3f);
    for (const double R : {1e5, 0.005}) {
        Viewer w({offTorus(R)}, ".off");
        const pos3 rim{float(R * 4 / 3), 0, 0}; // the outer rim on the x axis
        const float fitted = w.project(rim).x;
        for (int step = 1; step <= 60; ++step) {
            w->wheel(-1);
            EXPECT_TRUE(step != 3 || w.project(rim).x > fitted * 1.15f) << R;
            EXPECT_LT(w->camera.t.z, -R / 3) << R; // in front of the tube
        }
        for (int step = 0; step < 3000; ++step)
            w->wheel(1);
        EXPECT_LT(w.project(rim).z, 1.0f) << R;
    }
}

// A reload keeps the morph clock and the shininess; a slow load names each
// file it reads, textures too, and ends its report.
TEST(ViewerGL, ReloadKeepsTheViewAndReportsASlowLoad)
{
    vyktest::TempDir images;
    const std::string bmp = images.write("t.bmp", bmpFile(1, 1, {0, 0, 255}));
    std::string textured = quadSection({{2, 2, 0}}, {200, 200, 200});
    Viewer w({textured.insert(textured.size() - 4, "texture " + bmp + "\n"), quadSection({{1, 1, 0}}, {9, 9, 9})});
    EXPECT_TRUE(w->texts.empty()); // a fast load shows nothing
    w->progressAfterMs = 0;
    w->setElapsed(1500);
    w->shininess = 20.0f;
    EXPECT_TRUE(w->reload());
    // The view stays as the user left it.
    EXPECT_EQ(w->morphStep, 1u);
    EXPECT_EQ(w->shininess, 20.0f);
    const std::string first = "loading " + w.paths[0] + " (1/2)";
    EXPECT_EQ(w->texts, (std::vector<std::string>{first, first + ": " + bmp, "loading " + w.paths[1] + " (2/2)", ""}));
}

} // namespace
