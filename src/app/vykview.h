// The viewer application: one object that owns everything shown in the
// window, driven by the window registry's event handlers.
#pragma once

#include "app/directory_part.h"
#include "app/gluty.h"
#include "app/trackball.h"
#include "foundation/math.h"
#include "render/glmorph.h"
#include "render/glpolygon.h"
#include "sceneio/scene.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

class vykview_t : public dorv::glutyAPI4
{
  public:
    int argc;
    char** argv;
    char basedir[kDirectoryPartSize]; // directory of argv[1] with its separator
    int width = 0;
    int height = 0;
    vyk3d::environment_t environment;                  // of the last file that named one
    vyk3d::texture_t bgtexture;                        // background quad's texture set
    vyk3d::polygon_t bgpolygon;                        // background quad on the far plane
    std::list<std::list<model_t*>> scenes;             // one list per file with models
    std::vector<std::list<vyk3d::morphpair_t>> morphs; // scene k with k + 1
    vyk3d::glpolygon_t polygonRenderer;
    vyk3d::glmorph_t morphRenderer;
    pos3 lightPosition{0.0f, 0.0f, 0.0f};
    mtx3w globalview;
    mtx3w modelview;
    mtx3w invModelview;
    mtx3w projectionMatrix;
    mtx3w invProjection;
    float shininess = 10.0f;
    pos3 extent{0.0f, 0.0f, 0.0f}; // all zero: the camera is not fitted yet
    trackball_t camera;
    pos3 pickPoint{0.0f, 0.0f, 0.0f};
    bool animating = false;
    uint32_t startTime = 0xFFFFFFFFu;
    uint32_t elapsed = 0;
    uint32_t morphStep = 0;
    float morphRate = 0.0f;

    // Without a file name (argc < 2) prints the usage line and ends the
    // process with status 0.
    vykview_t(int argc, char** argv);
    ~vykview_t() override;
    vykview_t(const vykview_t&) = delete;
    vykview_t& operator=(const vykview_t&) = delete;

    // "usage: <program> file.vyk ..." on stderr, then exit(0).
    [[noreturn]] static void usage(const char* program);

    // Needs the window's GL context current. Ends the process with status 1
    // when OpenGL 3.3 is missing ("OpenGL 3.3 or later required."), a shader
    // fails, or a file does not load (the loader's messages, then
    // "<file>: load error.").
    void init() override;
    void reshape(int w, int h) override;
    void display() override;
    void idle() override;
    void keyboard(unsigned char key, int x, int y) override;
    void special(int key, int x, int y) override;
    void specialUp(int key, int x, int y) override;
    void mouseWheel(int wheel, int direction, int x, int y) override;
    void mouse(int button, int state, int x, int y) override;
    void motion(int x, int y) override;

    // Rebuilds the view matrices from the camera and requests a redisplay.
    void updateView();
    // Sets `elapsed` and derives the morph step and rate from it.
    void setElapsed(uint32_t ms);
    // Number of morph lists (0 in single-scene mode).
    std::size_t morphCount() const { return morphs.size(); }
    // Places the camera so the whole scene is in view (first reshape).
    void fitScene();
    // The nearest surface point inside pixel (x, y) (y upward) in normalised
    // device coordinates; (0, 0, 0) when no surface is there.
    pos3 pick(float x, float y);

  private:
    int flipY(int y) const { return height - 1 - y; }
    void loadScenes();
    void pairMorphs();
    void buildBackground();
    void drawScenes();
    // Camera distance for the stored extent: the Enter key and the fit.
    float fitDistance() const;
};

// Projection for a window of w x h pixels: the field of view spans pi/2
// across the diagonal, near 0.01, far 1000. A window without area keeps the
// 4:3 aspect so no matrix becomes NaN.
projection viewFrustum(int w, int h, projection* farPlane = nullptr);
