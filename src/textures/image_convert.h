// Colour-index expansion and red/blue channel swaps.
#pragma once

#include "textures/image.h"

namespace libgr
{

// Colour index (format 17, 4- or 8-bit indices) to 8-bit RGB through the
// pixel map; an index at or above the map's entry count reads entry 0
// (black when the map is empty). Any other format: `dst` shares `src` and
// the call succeeds. Fails (silently) for other index depths or a source
// that does not hold its pixels. Prints nothing.
bool index2rgb(grImage2D& dst, const grImage2D& src);

// 8-bit RGB -> BGR and RGBA -> BGRA (signed or unsigned, uncompressed) into
// fresh storage with 4-byte rows and the default pixel store. Any other
// source: `dst` shares `src` and the call fails. Prints nothing.
bool rgb2bgr(grImage2D& dst, const grImage2D& src);
// The reverse: 8-bit BGR -> RGB and BGRA -> RGBA, otherwise as rgb2bgr.
bool bgr2rgb(grImage2D& dst, const grImage2D& src);

} // namespace libgr
