// What the view reads and writes on disk while it runs: the command line's
// files, loaded again when they change, and screenshots.
#include "view/scene_view.h"

#include "foundation/check_gl.h"
#include "foundation/clock.h"
#include "foundation/diagnostics.h"
#include "foundation/opened_files.h"
#include "foundation/path.h"
#include "foundation/resident_heap.h"
#include "sceneio/stl.h"
#include "textures/png.h"
#include "view/offscreen_frame.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace
{

// Hands every opened file to `f` while it lives.
template <class F> struct openedBy_t : opened_files_t {
    F f;
    explicit openedBy_t(F f_) : f(f_) {}
    void opened(const std::string& path) override { f(path); }
};

} // namespace

sceneview_t::stamp_t sceneview_t::stampOf(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return {};
    return {st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
            st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec, static_cast<long long>(st.st_size),
            static_cast<long long>(st.st_ino)};
}

void sceneview_t::noteFile(const std::string& path)
{
    // Stamped before the read: a write during the read shows as a change.
    if (stamps.emplace(path, stampOf(path)).second)
        openedFiles.push_back(path);
}

void sceneview_t::loadProgress(const std::string& text)
{
    if (!isatty(STDERR_FILENO))
        return;
    // One line, rewritten in place and erased at the end.
    libutils::reportf("\r%s\033[K", text.c_str());
}

int sceneview_t::loadFiles(sceneList_t& into, vyk3d::environment_t& env)
{
    const uint32_t start = timeGetTime();
    const int files = argc - 1;
    int current = 0;
    bool shown = false;
    auto progress = [&](const std::string& what) {
        if (timeGetTime() - start < progressAfterMs)
            return;
        shown = true;
        std::string text = "loading " + std::string(argv[current]) + " (" + std::to_string(current) + "/" +
                           std::to_string(files) + ")";
        loadProgress(what.empty() ? text : text + ": " + what);
    };
    openedBy_t watch([&](const std::string& path) {
        noteFile(path);
        progress(path);
    });

    sceneList_t loaded;
    vyk3d::environment_t named;
    int failed = 0;
    for (current = 1; current < argc && !failed; ++current) {
        noteFile(argv[current]);
        progress("");
        scene_t scene;
        if (!loadScene(scene, argv[current], polygonRenderer, libutils::diagnostics())) {
            failed = current;
            break;
        }
        // A mesh file of nothing to show is an error, not an empty picture
        // (a scene file may hold only an environment).
        bool drawable = false;
        for (const auto& model : scene.models)
            drawable = drawable || model->kind != model_t::Polygon || model->polygon.vertexcount() > 0;
        if (!drawable && hasExtension(argv[current], ".vyk") != 0) {
            libutils::diagnostics() << argv[current] << ": nothing to draw: no surfaces, lines or points." << std::endl;
            failed = current;
            break;
        }
        if (!scene.models.empty())
            loaded.push_back(std::move(scene.models));
        if (!scene.environment.name.empty())
            named = scene.environment;
        checkGL("vykview_t::init(0)");
    }
    // Files read ahead that a failure left unread are not kept.
    endPrefetchStl();
    if (shown)
        loadProgress("");
    // On failure the records loaded so far go with `loaded`.
    if (failed)
        return failed;
    into.swap(loaded);
    env = named;
    return 0;
}

bool sceneview_t::reload()
{
    // Images that changed lose their cache keys, so the load reads them
    // again; the scenes on screen keep drawing with the old entries until
    // the new scenes replace them.
    for (auto& [path, stamp] : stamps) {
        const stamp_t now = stampOf(path);
        if (now == stamp)
            continue;
        stamp = now;
        vyk3d::forgetImageFile(path, stale);
    }
    sceneList_t loaded;
    vyk3d::environment_t named;
    if (const int failed = loadFiles(loaded, named)) {
        libutils::diagnostics() << argv[failed] << ": load error; the last good scene stays." << std::endl;
        returnFreePages();
        return false;
    }
    destroyScenes();
    scenes.swap(loaded);
    environment = named;
    vyk3d::releaseStale(stale);
    // The old scenes' stores were freed inside the heap.
    returnFreePages();
    if (scenes.size() > 1)
        pairMorphs();
    if (animating && morphs.empty()) {
        animating = false;
        runClock(false);
    }
    setElapsed(elapsed);
    requestRedisplay();
    return true;
}

std::string sceneview_t::screenshot()
{
    libgr::grImage2D image;
    const int w = width, h = height;
    const offscreenStatus_t status = drawOffscreen(*this, w, h, image);
    if (status != offscreenStatus_t::drawn) {
        libutils::diagnostics() << "screenshot: no framebuffer." << std::endl;
        return {};
    }
    // Each name is taken by creating it, so a file made by anyone else, even
    // between two tries, is never written over: the next number is taken.
    char name[32] = "vykview-9999.png";
    int written = -6;
    for (int n = 1; n <= 9999 && written == -6; ++n) {
        std::snprintf(name, sizeof name, "vykview-%04d.png", n);
        written = libgr::pngWrite(name, image, "vykview", -1, true);
    }
    if (written != 0) {
        libutils::diagnostics() << name << ": png write error." << std::endl;
        return {};
    }
    libutils::diagnostics() << "screenshot: " << name << std::endl;
    return name;
}
