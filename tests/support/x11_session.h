// Helpers for end-to-end tests that drive the real programs on a private X
// server: the server, window lookup, screenshots, input through xdotool.
// Include after gtest.h: Xlib defines None and Bool.
#pragma once

#include "support/picture.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <X11/Xlib.h>

#include <signal.h>

#include <sstream>
#include <string>
#include <vector>

namespace vyktest
{

// A private Xvfb server for tests that send input events (xdotool) or take
// screenshots, so that tests running in parallel never share a focus.
// The server ends with the object.
class XServer
{
  public:
    explicit XServer(const std::string& screen = "1280x1024x24")
        : server_({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "+extension", "GLX",
                   "-noreset"})
    {
        // Xvfb writes the display number and a newline once it accepts clients.
        for (int i = 0; i < 1000 && server_.running(); ++i, sleepSeconds(0.01)) {
            const std::string out = server_.outSoFar();
            if (!out.empty() && out.back() == '\n') {
                display_ = ":" + out.substr(0, out.size() - 1);
                return;
            }
        }
    }
    ~XServer()
    {
        server_.signal(SIGTERM);
        server_.wait(10);
    }

    bool ok() const { return !display_.empty(); }
    // ":N", for DISPLAY
    const std::string& display() const { return display_; }
    // "DISPLAY=:N", for the env argument of run() and Process
    std::string env() const { return "DISPLAY=" + display_; }

  private:
    Process server_;
    std::string display_;
};

// Runs a shell command with the server's DISPLAY; returns its result.
inline RunResult shell(const XServer& x, const std::string& command, double timeout = 60)
{
    return run({"/bin/sh", "-c", command}, timeout, {x.env()});
}

inline std::string quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The id of the one window whose title is exactly `title` (waiting up to
// `timeout` seconds for it; empty unless there is exactly one), moved fully
// onto the screen: without a window manager GLUT's default position leaves
// its first row and column off screen, and a screenshot only sees what is
// on screen.
inline std::string findWindow(const XServer& x, const std::string& title, double timeout = 20)
{
    std::istringstream out(
        shell(x, "xdotool search --sync --name " + quote("^" + title + "$") + " 2>/dev/null", timeout).out);
    std::string id, more;
    if (!(out >> id) || out >> more)
        return "";
    shell(x, "xdotool windowmove --sync " + id + " 0 0");
    return id;
}

// The window's pixels at 8 bits per channel.
inline Image grabWindow(const XServer& x, const std::string& id, const TempDir& dir)
{
    const std::string path = dir.file("shot-" + id + ".png");
    return shell(x, "import -window " + id + " png24:" + quote(path)).status == 0 ? readImage(path) : Image{};
}

// Grabs until `ready` accepts the picture or `timeout` seconds pass; returns
// the last picture.
template <class Pred>
Image grabUntil(const XServer& x, const std::string& id, const TempDir& dir, Pred ready, double timeout = 20)
{
    Image img;
    for (double waited = 0; waited < timeout; waited += 0.25) {
        img = grabWindow(x, id, dir);
        if (!img.empty() && ready(img))
            return img;
        sleepSeconds(0.25);
    }
    return img;
}

// Sends the window manager's close request (WM_DELETE_WINDOW) to a window,
// as a window manager's close button does.
inline bool sendDeleteWindow(const XServer& x, unsigned long window)
{
    Display* d = XOpenDisplay(x.display().c_str());
    if (!d)
        return false;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    const Status ok = XSendEvent(d, window, False, NoEventMask, &ev);
    XCloseDisplay(d); // flushes the request
    return ok != 0;
}

} // namespace vyktest
