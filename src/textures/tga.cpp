#include "textures/tga.h"

namespace libgr {
bool grTargaFile::load(const char*) { return false; }
bool grTargaFile::toImage(grImage2D&) const { return false; }
bool grTargaFile::convert(const grImage2D&) { return false; }
bool grTargaFile::save(const char*) const { return false; }
bool tgaLoad(grImage2D&, const char*) { return false; }
bool tgaSave(const grImage2D&, const char*) { return false; }
} // namespace libgr
