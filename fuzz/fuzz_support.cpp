#include "fuzz_support.h"

// GLEW must come before any other GL header.
#include <GL/glew.h>

#include <GL/freeglut.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace vykfuzz
{

namespace
{
std::map<std::string, std::string>& inputPaths()
{
    static std::map<std::string, std::string> paths;
    return paths;
}
void removeInputs()
{
    for (const auto& p : inputPaths())
        unlink(p.second.c_str());
}
} // namespace

std::string inputFile(const uint8_t* data, size_t size, const char* extension)
{
    std::string& path = inputPaths()[extension];
    if (path.empty()) {
        if (inputPaths().size() == 1)
            std::atexit(removeInputs);
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/vykfuzz-" + std::to_string(static_cast<long>(getpid())) +
               extension;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || (size && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}

void glContext()
{
    static int window = 0;
    if (window)
        return;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::fprintf(stderr, "this target needs an X display: run it under xvfb-run -a\n");
        std::abort();
    }
    int argc = 1;
    char name[] = "vykfuzz";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    window = glutCreateWindow("vykfuzz");
    glutHideWindow();
    glewExperimental = GL_TRUE;
    glewInit();
    while (glGetError() != GL_NO_ERROR) {
    }
}

} // namespace vykfuzz
