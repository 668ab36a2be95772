#include "gl/software_driver.h"

#include "foundation/resident_heap.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstring>

namespace
{

// The room a draw keeps, by the triangles it bins, and at most.
constexpr uint64_t kBinBytesPerTriangle = 128;
constexpr uint64_t kBinRoom = uint64_t(64) << 20;

} // namespace

bool softwareRasteriser()
{
    static const bool software = [] {
        const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        return renderer && (std::strncmp(renderer, "llvmpipe", 8) == 0 || std::strncmp(renderer, "softpipe", 8) == 0);
    }();
    return software;
}

void roomForBins(uint64_t triangles)
{
    if (softwareRasteriser())
        keepHeapRoom(std::min(kBinRoom, triangles * kBinBytesPerTriangle));
}
