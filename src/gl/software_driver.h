#pragma once

// What a software GL driver (Mesa's llvmpipe and softpipe) does in this
// process's own memory, and how the viewer makes that memory ready before
// the driver touches it page by page. Needs a current GL context.

#include <cstdint>

// Whether the renderer of the current context is one of Mesa's software
// rasterisers: buffer stores and a frame's bins are then malloc'd here. One
// driver serves a process, so the answer is kept.
bool softwareRasteriser();

// Before a draw of `triangles`: a software rasteriser bins them into blocks
// from malloc, up to about 75 MB for a frame of a large mesh, so the heap
// keeps that much room resident (see foundation/resident_heap.h), in
// proportion for smaller draws.
void roomForBins(uint64_t triangles);
