// The morph pair build over two arbitrary scenes: the input holds scene
// text A, a zero byte, then scene text B; the models of A are paired with
// those of B by position as the viewer pairs them, built and drawn. Real GL
// context: run under xvfb-run -a.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>

#include "foundation/math.h"
#include "fuzz_support.h"
#include "render/glmorph.h"
#include "sceneio/scene.h"

extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t* split = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    if (!split)
        return 0;
    scene_t a, b;
    vykfuzz::loadBytes(a, data, size_t(split - data), ".vyk");
    vykfuzz::loadBytes(b, split + 1, size_t(data + size - split - 1), ".b.vyk");
    static vyk3d::glmorph_t* morph = nullptr;
    if (!morph) {
        morph = new vyk3d::glmorph_t;
        if (!morph->init(""))
            std::abort();
    }
    const mtx3w identity = identityMatrix();
    const pos3 light{0, 0, 100};
    {
        std::list<vyk3d::morphpair_t> pairs;
        for (auto ma = a.models.begin(), mb = b.models.begin(); ma != a.models.end() && mb != b.models.end();
             ++ma, ++mb) {
            pairs.emplace_back(&(*ma)->texture, &(*mb)->texture, &(*ma)->polygon, &(*mb)->polygon);
            pairs.back().build();
            morph->drawsolid(a.environment, 0, pairs.back(), 0.5f, &identity, &identity, &identity, &identity, &light,
                             20.0f);
        }
    }
    a.destroyModels();
    b.destroyModels();
    return 0;
}
