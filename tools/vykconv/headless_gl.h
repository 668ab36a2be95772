#pragma once
// A GL context for programs that draw nothing on screen.

// Makes a GL context current and loads the GL entry points: first an EGL
// context on Mesa's surfaceless platform (no display needed), else, when
// DISPLAY is set, a hidden freeglut window. Returns false, with one line on
// stderr, when neither can be had or the context lacks OpenGL 3.3 ("OpenGL
// 3.3 or later required.").
bool makeHeadlessGL(int& argc, char** argv);

// Releases what makeHeadlessGL made.
void endHeadlessGL();
