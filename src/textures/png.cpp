#include "textures/png.h"

namespace libgr {
int pngRead(const char*, grImage2D&) { return -1; }
int pngWrite(const char*, const grImage2D&, const char*) { return -1; }
bool pngVersionCheck() { return false; }
bool pngLoad(grImage2D&, const char*) { return false; }
bool pngSave(const grImage2D&, const char*) { return false; }
} // namespace libgr
