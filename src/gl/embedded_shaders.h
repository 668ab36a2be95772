#pragma once

// The built-in GLSL sources, embedded at build time from src/gl/shaders.
// Returns the zero-terminated source whose file name is `name` (for example
// "shader.vsd"), or null when no such source is built in.
const char* embeddedShader(const char* name);
