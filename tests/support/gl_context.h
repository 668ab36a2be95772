#pragma once

namespace vyktest {

// Makes the process's one GL context current: a 256x256 freeglut window
// (double buffer, RGBA with alpha, depth) with GLEW loaded, created on the
// first call. Needs an X display (run under xvfb-run). Fails the calling
// test with a fatal assertion when no context can be had.
void glContext();

// The GLUT window id of that context (0 before glContext()).
int glWindow();

} // namespace vyktest
