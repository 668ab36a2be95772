#pragma once

// What a software GL driver (Mesa's llvmpipe and softpipe) does in this
// process's own memory, and how the viewer makes that memory ready before
// the driver touches it page by page. Needs a current GL context.

#include <cstdint>

// Whether the renderer of the current context is one of Mesa's software
// rasterisers: buffer stores and a frame's bins are then malloc'd here. One
// driver serves a process, so the answer is kept.
bool softwareRasteriser();

// The triangles a draw hands the driver at a time: all of them, except on a
// software rasteriser. llvmpipe bins a whole draw call before it rasterises
// it, and keeps every triangle's bins (about 75 bytes) until then: a
// million-triangle list held 64 MB or more. Handed over in pieces with a
// flush after each, a piece is rasterised while the next is binned, and its
// bins serve the one after; the pixels are the same, triangle order being
// kept.
uint64_t trianglesAtOnce();

// Draws `triangles` triangles from vertices [first, first + 3 x triangles)
// of the bound vertex array, trianglesAtOnce() at a time.
void drawTrianglesInPieces(uint64_t first, uint64_t triangles);

// Before a draw of `triangles`: a software rasteriser bins them into blocks
// from malloc, up to about 75 MB for a frame of a large mesh, so the heap
// keeps that much room resident (see foundation/resident_heap.h), in
// proportion for smaller draws.
void roomForBins(uint64_t triangles);

// The same before a list of `triangles` drawn by drawTrianglesInPieces: room
// for a piece binned while the one before it is rasterised.
void roomForPieces(uint64_t triangles);
