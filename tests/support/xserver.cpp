#include "support/xserver.h"

#include <signal.h>

namespace vyktest
{

XServer::XServer(const std::string& screen)
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

XServer::~XServer()
{
    server_.signal(SIGTERM);
    server_.wait(10);
}

} // namespace vyktest
