#include "textures/jpeg.h"

namespace libgr {
const grJpegMarker* grJpegInfo::find(unsigned) const { return nullptr; }
bool jpegDecompress(grJpegInfo&, grImage2D&, const grFileBuffer&, uint32_t, bool) { return false; }
bool jpegCompress(grJpegInfo&, grByteVector&, const grImage2D&, int, bool) { return false; }
bool jpegLoad(grImage2D&, const char*) { return false; }
bool jpegSave(const grImage2D&, const char*) { return false; }
} // namespace libgr
