#pragma once

#include "support/run.h"

#include <string>

namespace vyktest
{

// A private Xvfb server for tests that send input events (xdotool) or take
// screenshots, so that tests running in parallel never share a focus.
// The server ends with the object.
class XServer
{
  public:
    explicit XServer(const std::string& screen = "1280x1024x24");
    ~XServer();

    bool ok() const { return !display_.empty(); }
    // ":N", for DISPLAY
    const std::string& display() const { return display_; }
    // "DISPLAY=:N", for the env argument of run() and Process
    std::string env() const { return "DISPLAY=" + display_; }

  private:
    Process server_;
    std::string display_;
};

} // namespace vyktest
