#include "textures/image_format.h"

#include <cstdio>
#include <cstring>

#include "foundation/diagnostics.h"
#include "foundation/path.h"
#include "textures/bmp.h"
#include "textures/image_convert.h"
#include "textures/jpeg.h"
#include "textures/png.h"
#include "textures/tga.h"

namespace libgr
{

bool autoloadformat(grImage2D& image, const char* fname)
{
    if (!fname)
        fname = "";
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
        libutils::reportf("autoloadformat load fail, fname=%s\n", fname);
        return false;
    }
    if (!ok)
        return false;
    if (image.format.format == grFmtColorIndex)
        return index2rgb(image, image);
    return true;
}

bool autoloadmemory(grImage2D& image, const unsigned char* data, size_t size, const char* name)
{
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G'};
    static const unsigned char kJpeg[] = {0xFF, 0xD8};
    bool ok = false;
    if (size >= sizeof kPng && std::memcmp(data, kPng, sizeof kPng) == 0) {
        ok = pngReadMemory(data, size, image) == 0;
    } else if (size >= sizeof kJpeg && std::memcmp(data, kJpeg, sizeof kJpeg) == 0) {
        grFileBuffer file;
        file.fname = name;
        if (!file.bytes.allocate(size))
            return false;
        std::memcpy(file.bytes.data(), data, size);
        grJpegInfo info;
        ok = jpegDecompress(info, image, file, 0, false);
    }
    if (ok && image.format.format == grFmtColorIndex)
        return index2rgb(image, image);
    return ok;
}

bool autosaveformat(const grImage2D& image, const char* fname)
{
    if (!fname)
        fname = "";
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
    libutils::reportf("autosaveformat load fail, fname=%s\n", fname);
    return false;
}

} // namespace libgr
