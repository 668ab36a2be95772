#include "textures/image_format.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "textures/bmp.h"
#include "textures/image_convert.h"
#include "textures/jpeg.h"
#include "textures/png.h"
#include "textures/tga.h"

namespace libgr {

namespace {

// 0 when `name` ends in `ending`, ignoring letter case.
int hasExtension(const char* name, const char* ending)
{
    if (!name)
        return -1;
    size_t n = strlen(name), e = strlen(ending);
    if (e > n)
        return -1;
    return strncasecmp(name + n - e, ending, e);
}

} // namespace

bool autoloadformat(grImage2D& image, const char* fname)
{
    bool ok;
    if (hasExtension(fname, ".jpg") == 0)
        ok = jpegLoad(image, fname);
    else if (hasExtension(fname, ".bmp") == 0)
        ok = bmpLoad(image, fname);
    else if (hasExtension(fname, ".png") == 0)
        ok = pngLoad(image, fname);
    else if (hasExtension(fname, ".tga") == 0)
        ok = tgaLoad(image, fname);
    else {
        fprintf(stderr, "autoloadformat load fail, fname=%s\n", fname);
        return false;
    }
    if (!ok)
        return false;
    if (image.format.format == grFmtColorIndex)
        return index2rgb(image, image);
    return true;
}

bool autosaveformat(const grImage2D& image, const char* fname)
{
    if (hasExtension(fname, ".jpg") == 0)
        return jpegSave(image, fname);
    if (hasExtension(fname, ".bmp") == 0) {
        grImage2D bgr;
        if (!rgb2bgr(bgr, image))
            return false;
        return bmpSave(bgr, fname);
    }
    if (hasExtension(fname, ".png") == 0)
        return pngSave(image, fname);
    if (hasExtension(fname, ".tga") == 0)
        return tgaSave(image, fname);
    fprintf(stderr, "autosaveformat load fail, fname=%s\n", fname);
    return false;
}

} // namespace libgr
