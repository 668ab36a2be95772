// The texture upload of every image format the decoders give: the first
// byte picks the decoder (BMP, TGA, PNG, JPEG), mipmaps and a cube map; the
// rest is the file. Whatever decodes is uploaded with a real GL context:
// run under xvfb-run -a.
#include <cstdint>

#include "fuzz_support.h"
#include "textures/image_format.h"
#include "textures/texturable.h"
#include "textures/texture_object.h"

extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const char* const endings[] = {".bmp", ".tga", ".png", ".jpg"};
    vykfuzz::glContext();
    const std::string path = vykfuzz::inputFile(data + 1, size - 1, endings[data[0] & 3]);
    libgr::grImage2D image;
    // Large pictures only slow the run: the decoders have their own targets.
    if (!libgr::autoloadformat(image, path.c_str()) || uint64_t(image.width) * image.height > (1u << 20))
        return 0;
    if (data[0] & 8) {
        libgr::grTextureCubeMap cube;
        const libgr::grImage2D faces[6] = {image, image, image, image, image, image};
        cube.SetMipmap(data[0] & 4);
        cube.SetImages(faces, 0, 0);
        libgr::grTextureObject object;
        object.Create(cube);
    } else {
        libgr::grTexture2D texture;
        texture.SetMipmap(data[0] & 4);
        texture.SetImage(image, 0, 0);
        libgr::grTextureObject object;
        object.Create(texture);
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    return 0;
}
