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
// A piece of a draw on a software rasteriser: about 5 MB of bins.
constexpr uint64_t kPieceTriangles = 65536;

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

uint64_t trianglesAtOnce()
{
    return softwareRasteriser() ? kPieceTriangles : UINT64_MAX;
}

void drawTrianglesInPieces(uint64_t first, uint64_t triangles)
{
    const uint64_t piece = trianglesAtOnce();
    for (uint64_t done = 0; done < triangles; done += piece) {
        const uint64_t n = std::min(piece, triangles - done);
        glDrawArrays(GL_TRIANGLES, GLint(3 * (first + done)), GLsizei(3 * n));
        if (done + n < triangles)
            glFlush();
    }
}

void roomForPieces(uint64_t triangles)
{
    roomForBins(std::min(triangles, 2 * kPieceTriangles));
}
