#include "fuzz_support.h"

#include "view/gl_context.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "model/frame_pass.h"
#include "sceneio/scene.h"

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
    static const bool ok = openGLContext("vykfuzz");
    if (!ok)
        std::abort();
}

vyk3d::frame_pass_t& framePass()
{
    static vyk3d::frame_pass_t* r = nullptr;
    if (!r) {
        glContext();
        r = new vyk3d::frame_pass_t;
        if (!r->init(""))
            std::abort();
    }
    return *r;
}

bool loadBytes(scene_t& scene, const uint8_t* data, size_t size, const char* extension)
{
    vyk3d::frame_pass_t& r = framePass();
    std::ostringstream err;
    return loadScene(scene, inputFile(data, size, extension), r, err);
}

} // namespace vykfuzz
