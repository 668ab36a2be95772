// Scene loading end to end (scene text or STL, chosen by the first byte),
// with a real GL context (EGL, no display needed).
#include <cstdint>
#include <sstream>

#include "fuzz_support.h"
#include "model/frame_pass.h"
#include "sceneio/scene.h"

// The GL driver is loaded and unloaded with its own allocations, which the
// leak checker can only see as unreachable blocks of an unknown module.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    vykfuzz::glContext();
    static vyk3d::frame_pass_t* framePass = nullptr;
    if (!framePass) {
        framePass = new vyk3d::frame_pass_t;
        if (!framePass->init(""))
            std::abort();
    }
    const std::string path = vykfuzz::inputFile(data + 1, size - 1, data[0] & 1 ? ".stl" : ".vyk");
    scene_t scene;
    std::ostringstream err;
    loadScene(scene, path, *framePass, err);
    scene.destroyModels();
    return 0;
}
