// Scene loading end to end (scene text or STL, chosen by the first byte),
// with a real GL context (EGL, no display needed).
#include <cstdint>

#include "fuzz_support.h"
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
    scene_t scene;
    vykfuzz::loadBytes(scene, data + 1, size - 1, data[0] & 1 ? ".stl" : ".vyk");
    scene.destroyModels();
    return 0;
}
