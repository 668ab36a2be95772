#pragma once
// Work frames of a tessellated NURBS grid: two tangent/binormal pairs per
// vertex from finite differences, with the seam, pole and corner rules that
// give both vertices of a closed seam the same frame. Pure CPU code.
#include <cstdint>

namespace vyk3d
{

// positions: resU x resV records of `stride` floats (position first), vertex
// resU * j + i at grid column i and row j. wknmls: twelve floats per vertex
// (T, B, T2, B2), written for every vertex. Requires resU >= 2 and resV >= 2;
// does nothing otherwise.
void computeWorkFrames(const float* positions, uint32_t stride, uint32_t resU, uint32_t resV, float* wknmls);

} // namespace vyk3d
