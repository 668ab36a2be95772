// The viewer without its window: the scenes of the command line, the camera,
// the morph clock, the pick and the key commands, drawn into whatever GL
// context is current. A window or an off-screen program turns its own
// events into these calls.
#pragma once

#include "foundation/math.h"
#include "render/glmorph.h"
#include "render/glpolygon.h"
#include "sceneio/scene.h"
#include "view/directory_part.h"
#include "view/trackball.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

class sceneview_t
{
  public:
    int argc;
    char** argv;
    std::string basedir; // directory of argv[1] with its separator
    int width = 0;
    int height = 0;
    vyk3d::environment_t environment;                  // of the last file that named one
    vyk3d::texture_t bgtexture;                        // the sky box's texture set
    vyk3d::polygon_t bgpolygon;                        // the sky box: a quad on the far plane
    std::list<model_list_t> scenes;                    // one list per file with models
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
    bool framed = true;            // false when the fit found nothing it could frame (too large)
    // Both clip planes are multiplied by this: 1 unless the fitted scene is
    // smaller than a unit or reaches past the far plane.
    double depthScale = 1.0;
    float clearance = 1.0f; // camera to scene box at the fit: 1, or the box's size when smaller
    float fittedZ = 0.0f;   // the camera's t.z after the fit, which Enter restores
    trackball_t camera;
    pos3 pickPoint{0.0f, 0.0f, 0.0f};
    bool animating = false;
    uint32_t startTime = 0xFFFFFFFFu;
    uint32_t elapsed = 0;
    uint32_t morphStep = 0;
    float morphRate = 0.0f;
    // Every file the loads have opened, each once, in the order first seen:
    // the command line's files, their textures and cube faces.
    std::vector<std::string> openedFiles;
    // A load that has run this long shows its progress (loadProgress).
    uint32_t progressAfterMs = 500;

    // Without a file name (argc < 2) throws the usage line (see usage).
    sceneview_t(int argc, char** argv);
    virtual ~sceneview_t();
    sceneview_t(const sceneview_t&) = delete;
    sceneview_t& operator=(const sceneview_t&) = delete;

    // Throws libutils::fatal_error_t with status 0 and the message "usage:
    // <program> file.vyk ...".
    [[noreturn]] static void usage(const char* program);

    // Needs a current GL context with OpenGL 3.3 loaded (loadGL). Throws
    // libutils::fatal_error_t with status 1 when a shader fails or a file
    // does not load (the loader's messages first, then the message "<file>:
    // load error."); a mesh file (not .vyk)
    // that loads with nothing to draw does not load: "<file>: nothing to
    // draw: no surfaces, lines or points.".
    void init();
    // The viewport, the projection and the sky box for a w x h target; the
    // first call fits the camera.
    void reshape(int w, int h);
    // Clears and draws one frame into the current framebuffer.
    void display();
    // One step of the running morph clock, read from the system clock.
    void idle();

    // Loads the command line's files again, keeping the camera, the
    // shininess and the morph clock. Images that changed since they were
    // read are read again. When a file does not load, its loader's messages
    // and "<file>: load error; the last good scene stays." go to stderr, the
    // scenes on screen stay, and the answer is false.
    bool reload();
    // Saves the current view, at the window's size, as the first free
    // "vykview-NNNN.png" in the working directory and prints "screenshot:
    // <name>" on stderr; an empty name when it cannot ("<name>: png write
    // error." or "screenshot: no framebuffer.").
    std::string screenshot();

    // Input in window pixels, y counted downward from the top row as window
    // systems report it. Key commands: s and S change the shininess (and
    // print it), space starts and stops the morph clock, Enter refits the
    // camera, f asks for full screen, q and Esc ask to quit.
    void keyboard(unsigned char key);
    void shift(bool down, int x, int y);
    void wheel(int direction);
    // button 0, 1, 2: left, middle, right; state 0 press, 1 release.
    void mouse(int button, int state, int x, int y);
    void motion(int x, int y);

    // Rebuilds the view matrices from the camera and requests a redisplay.
    void updateView();
    // Sets `elapsed` and derives the morph step and rate from it.
    void setElapsed(uint32_t ms);
    // Number of morph lists (0 in single-scene mode).
    std::size_t morphCount() const { return morphs.size(); }
    // Places the camera so the whole scene is in view (first reshape). Scene
    // files (every file .vyk) built around the origin (the centre of their
    // box within a tenth of its largest side from it) are aimed at and
    // turned about the origin, at the distance their farthest projected
    // point gives. Any other scene (mesh files, or scene files away from the
    // origin) is aimed at and turned about the centre of its box, every drawn
    // position inside the middle nine tenths of the window's width and height.
    // Wheel and drag steps count in the scene's unit (power of ten).
    void fitScene();
    // The nearest surface point inside pixel (x, y) (y upward) in normalised
    // device coordinates; (0, 0, 0) when no surface is there.
    pos3 pick(float x, float y);

  protected:
    // What only a window can do; without one they do nothing.
    virtual void requestRedisplay() {}
    virtual void runClock(bool) {}
    virtual void toggleFullScreen() {}
    // The window closes and the program ends with status 0.
    virtual void quit() {}
    // A load's progress, such as "loading b.vyk (2/3): wood.png", once it
    // has run for progressAfterMs; an empty text when that load ends. This
    // one rewrites one line of stderr when stderr is a terminal.
    virtual void loadProgress(const std::string& text);

  private:
    int flipY(int y) const { return height - 1 - y; }
    using sceneList_t = std::list<model_list_t>;
    // Loads every command-line file into `into` and `env`. Answers 0, or
    // the index in argv of the first file that does not load, with `into`
    // left as it was.
    int loadFiles(sceneList_t& into, vyk3d::environment_t& env);
    void noteFile(const std::string& path);
    void destroyScenes();
    // When each opened file was last read: reload reads again what changed.
    struct stamp_t {
        long long mtime = 0, ctime = 0, size = -1, inode = 0;
        bool operator==(const stamp_t& o) const
        {
            return mtime == o.mtime && ctime == o.ctime && size == o.size && inode == o.inode;
        }
    };
    static stamp_t stampOf(const std::string& path);
    std::map<std::string, stamp_t> stamps;
    vyk3d::stale_textures_t stale;
    void pairMorphs();
    void buildSkyBox();
    void drawSkyBox();
    void drawScenes();
    // The camera's t.z of the last fit: the Enter key goes back to it.
    float fitDistance() const;
};

// Projection for a window of w x h pixels: the field of view spans pi/2
// across the diagonal, near 0.01, far 1000, both times depthScale. A window
// without area keeps the 4:3 aspect so no matrix becomes NaN.
projection viewFrustum(int w, int h, projection* farPlane = nullptr, double depthScale = 1.0);
