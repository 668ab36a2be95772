// The GL context that everything but the viewer's window draws in, and the
// one way the program loads OpenGL into a context.
#pragma once

// Loads the current context's GL entry points with GLEW (glewExperimental
// stays off: it would mark every version whose entry points merely exist as
// available, and a 3.0 context would pass as 3.3). False, with "OpenGL 3.3
// or later required." on stderr, when the context offers less than 3.3.
bool loadGL();

// Makes a GL context current without showing a window and loads it with
// loadGL: an EGL context on Mesa's surfaceless platform first, which needs
// no display; where EGL is missing, a hidden freeglut window on $DISPLAY,
// titled `name`. False, with one line on stderr, when neither can be had or
// the context lacks OpenGL 3.3. Draw into a framebuffer object: the default
// framebuffer may be tiny.
bool openGLContext(const char* name);

// Releases what openGLContext made.
void closeGLContext();
