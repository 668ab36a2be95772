// The viewer application: the windowless scene view in a GLUT window. The
// window registry's events become calls on the view; the view's redisplay,
// morph clock and full-screen requests go back to GLUT.
#pragma once

#include "app/gluty.h"
#include "foundation/file_watcher.h"
#include "view/scene_view.h"

#include <cstddef>
#include <memory>
#include <string>

class vykview_t : public dorv::glutyAPI4, public sceneview_t
{
  public:
    // Without a file name (argc < 2) throws the usage line (sceneview_t).
    vykview_t(int argc, char** argv) : sceneview_t(argc, argv) {}

    // Watch the opened files and reload when they change (off: --no-watch).
    // Read by init.
    bool watchFiles = true;

    // Needs the window's GL context current. Throws libutils::fatal_error_t
    // with status 1 when OpenGL 3.3 is missing ("OpenGL 3.3 or later
    // required." goes to the sink first, the message is empty), a shader
    // fails, or a file does not load.
    void init() override;
    void reshape(int w, int h) override { sceneview_t::reshape(w, h); }
    void display() override;
    void idle() override { sceneview_t::idle(); }
    void keyboard(unsigned char key, int, int) override { sceneview_t::keyboard(key); }
    void special(int key, int x, int y) override;
    void specialUp(int key, int x, int y) override;
    void mouseWheel(int wheel, int direction, int x, int y) override;
    void mouse(int button, int state, int x, int y) override { sceneview_t::mouse(button, state, x, y); }
    void motion(int x, int y) override { sceneview_t::motion(x, y); }

  protected:
    void requestRedisplay() override;
    void runClock(bool on) override;
    void toggleFullScreen() override;
    void quit() override;
    void loadProgress(const std::string& text) override;

  private:
    std::unique_ptr<file_watcher_t> watcher;
    std::size_t watched = 0; // openedFiles[0, watched) are in the watcher
    std::string title;
    void watchNewFiles();
    // The title after a reload: the files', or the last message when the
    // reload failed (it names the file and why).
    void showReload(bool loaded);
    static void poll(int);
};
