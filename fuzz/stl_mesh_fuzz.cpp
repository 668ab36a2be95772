// The CPU half of the STL reader (binary counts and records, text facets)
// on arbitrary bytes, as both a binary and a text file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foundation/strip_walk.h"
#include "sceneio/stl_mesh.h"

namespace
{

// Arrays for n triangles, each in its own allocation so that the sanitizer
// sees a write past any of them.
struct meshArrays {
    explicit meshArrays(uint64_t n) : vertices(27 * n + 1), frames(27 * n + 1), elements(4 * n + 1) {}
    vyk3d::mesh_arrays_t arrays() { return {vertices.data(), frames.data(), elements.data()}; }
    std::vector<float> vertices, frames;
    std::vector<uint32_t> elements;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    if (size >= 84) {
        uint32_t n = vyk3d::binaryTriangleCount(bytes, size, "fuzz.stl");
        if (84 + uint64_t(n) * 50 > size)
            std::abort(); // a count the file cannot fill
        meshArrays a(n);
        vyk3d::fillBinary(bytes, n, a.arrays());
        uint64_t walked = walkStripTriangles(a.elements.data(), 4 * uint64_t(n), 3 * uint64_t(n),
                                             [](uint64_t, uint32_t, uint32_t, uint32_t, bool) {});
        if (walked != n)
            std::abort();
    }
    uint64_t facets = vyk3d::countFacets(bytes, bytes + size);
    if (facets <= vyk3d::kMaxTriangles) {
        meshArrays a(facets);
        vyk3d::fillText(bytes, bytes + size, uint32_t(facets), a.arrays());
    }
    return 0;
}
