// Pixel operations for bump-map preparation. Each writes freshly allocated
// storage into the destination; the source is never changed.
#pragma once

#include "textures/image.h"

namespace libgr
{

// 8-bit RGB to 8-bit luminance (0.299 R + 0.587 G + 0.114 B, truncated).
// Refusals print "<code>: image format is not RGB." / "...type is not UINT."
// / "...bits is not 8.".
bool mono(grImage2D& dst, const grImage2D& src);

// Luminance height map to a signed 8-bit RGB normal map (wrapping at the
// right and top edges). An 8-bit RGB source is already a normal map and is
// shared. Refusals print "normalmap(): compressed format not supported." or
// "normalmap(): image type not supported." and leave `dst` sharing `src`.
bool normalmap(grImage2D& dst, const grImage2D& src);

// Half-size box filter of 8-bit luminance, RGB, BGR, RGBA or BGRA images.
// Other formats print "scaledown(): <code>: unsupported format."; a source
// that is not 8 bits a component prints "scaledown(): <code>: unsupported
// bits." and fails.
bool scaledown(grImage2D& dst, const grImage2D& src);

} // namespace libgr
