#pragma once

// The GL error check called after groups of GL calls. Reads glGetError once;
// when it is GL_NO_ERROR returns false and prints nothing. Otherwise writes
// "<tag>: Error <code>: <text>" and a newline to stderr (no "<tag>: " for a
// null tag, no text when GLU has none), flushes, and returns true. Callers
// report and go on; nothing stops on a GL error.
bool checkGL(const char* tag);
