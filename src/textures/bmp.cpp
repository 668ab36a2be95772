#include "textures/bmp.h"

namespace libgr {
bool grBitmapFile::load(const char*) { return false; }
bool grBitmapFile::toImage(grImage2D&) const { return false; }
bool grBitmapFile::convert(const grImage2D&) { return false; }
bool grBitmapFile::save(const char*) const { return false; }
bool bmpLoad(grImage2D&, const char*) { return false; }
bool bmpSave(const grImage2D&, const char*) { return false; }
} // namespace libgr
