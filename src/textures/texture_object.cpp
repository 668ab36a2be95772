#include "textures/texture_object.h"

#include "foundation/check_gl.h"
#include "foundation/diagnostics.h"

namespace libgr
{

grTextureName& grTextureName::operator=(grTextureName&& other) noexcept
{
    if (this != &other) {
        if (name)
            glDeleteTextures(1, &name);
        name = other.name;
        other.name = 0;
    }
    return *this;
}

grTextureName::~grTextureName()
{
    if (name)
        glDeleteTextures(1, &name);
}

void grTextureObject::Create(grTexturable& texturable)
{
    if (!handle_)
        handle_ = std::make_shared<grTextureName>();
    target_ = texturable.Target();
    if (!handle_->name)
        glGenTextures(1, &handle_->name);
    glBindTexture(target_, handle_->name);
    texturable.Load();
    loaded_ = 1;
    texturable_ = &texturable;
}

void grTextureObject::Load()
{
    if (!handle_)
        return;
    checkGL("grTextureObject::Load(0)");
    if (!GLEW_VERSION_3_0) {
        glEnable(target_);
        checkGL("grTextureObject::Load(1)");
    }
    glBindTexture(target_, handle_->name);
    checkGL("grTextureObject::Load(2)");
}

void grTextureObject::Unload()
{
    if (!handle_)
        return;
    if (!GLEW_VERSION_3_0)
        glDisable(target_);
    glBindTexture(target_, 0);
}

void grTextureObject::Update()
{
    if (!loaded_ || !texturable_)
        return;
    Load();
    texturable_->Update();
}

uint32_t grTextureObject::Dimension() const
{
    switch (target_) {
    case GL_TEXTURE_1D:
        return 1;
    case GL_TEXTURE_2D:
    case GL_TEXTURE_RECTANGLE:
        return 2;
    case GL_TEXTURE_3D:
        return 3;
    case GL_TEXTURE_CUBE_MAP:
        return 6;
    default:
        return 0;
    }
}

GLuint grTextureObject::Name() const
{
    return handle_ ? handle_->name : 0;
}

namespace
{

// How a level is read back: the image's type and bits code, and the pixel
// format and type handed to OpenGL. The read type is chosen from the red
// size so that what OpenGL writes is exactly what the image allocates.
struct ReadFormat {
    uint32_t type;
    uint32_t bits;
    GLenum glformat;
    GLenum gltype;
};

bool readFormatOf(GLint redType, GLint redSize, ReadFormat& out)
{
    uint32_t typeCode;
    switch (redType) {
    case GL_UNSIGNED_INT:
    case GL_UNSIGNED_NORMALIZED:
        typeCode = grTypeUINT;
        break;
    case GL_INT:
    case GL_SIGNED_NORMALIZED:
        typeCode = grTypeSINT;
        break;
    case GL_FLOAT:
        typeCode = grTypeFLOAT;
        break;
    default:
        return false; // not a colour texture: nothing to read
    }
    switch (redSize) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 12:
    case 16:
    case 24:
    case 32:
    case 64:
        break;
    default:
        libutils::diagnostics() << "red size is not recognized." << std::endl;
        return false;
    }
    int width = redSize <= 8 ? 8 : redSize <= 16 ? 16 : 32;
    if (typeCode == grTypeFLOAT && width == 8)
        width = 16;
    out.type = typeCode;
    out.bits = width == 8 ? grBits8 : width == 16 ? grBits16 : grBits32;
    bool integer = redType == GL_UNSIGNED_INT || redType == GL_INT;
    out.glformat = integer ? GL_RGBA_INTEGER : GL_RGBA;
    if (typeCode == grTypeFLOAT)
        out.gltype = width == 16 ? GL_HALF_FLOAT : GL_FLOAT;
    else if (typeCode == grTypeUINT)
        out.gltype = width == 8 ? GL_UNSIGNED_BYTE : width == 16 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    else
        out.gltype = width == 8 ? GL_BYTE : width == 16 ? GL_SHORT : GL_INT;
    return true;
}

// Clears the pack state that would make OpenGL write outside the image.
void resetPackState()
{
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
}

// Shared steps of both read-back forms; `query(pname)` reads a level
// parameter, `read(format, type, bytes, pixels)` the pixels.
template <class Query, class Read> bool readBack(grImage2D& image, Query query, Read read)
{
    image = grImage2D();
    GLint width = query(GL_TEXTURE_WIDTH);
    checkGL("get texture level parameter (width)");
    GLint height = query(GL_TEXTURE_HEIGHT);
    checkGL("get texture level parameter (height)");
    image.width = uint32_t(width > 0 ? width : 0);
    image.height = uint32_t(height > 0 ? height : 0);
    image.format.format = grFmtRGBA;
    GLint redType = query(GL_TEXTURE_RED_TYPE);
    checkGL("get texture level parameter (red_type)");
    GLint redSize = query(GL_TEXTURE_RED_SIZE);
    checkGL("get texture level parameter (red_size)");
    ReadFormat rf;
    if (!readFormatOf(redType, redSize, rf))
        return false;
    image.format.type = rf.type;
    image.format.bits = rf.bits;
    if (!image.allocate()) {
        libutils::diagnostics() << "grTextureObject::GetTextureImage() img allocate fail." << std::endl;
        return false;
    }
    resetPackState();
    read(rf.glformat, rf.gltype, image.size(), image.data());
    return true;
}

} // namespace

bool grTextureObject::GetTextureImage(int level, grImage2D& image, GLenum face) const
{
    GLenum target = face ? face : target_ == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X : target_;
    return readBack(
        image,
        [&](GLenum pname) {
            GLint v = 0;
            glGetTexLevelParameteriv(target, level, pname, &v);
            return v;
        },
        [&](GLenum format, GLenum type, uint64_t, void* pixels) {
            glGetTexImage(target, level, format, type, pixels);
        });
}

bool grTextureObject::GetTextureImageDirect(int level, grImage2D& image, GLenum face) const
{
    if (!handle_ || !handle_->name)
        return false;
    GLuint name = handle_->name;
    bool cube = target_ == GL_TEXTURE_CUBE_MAP;
    GLint zoffset = cube && face ? GLint(face - GL_TEXTURE_CUBE_MAP_POSITIVE_X) : 0;
    GLint width = 0, height = 0;
    return readBack(
        image,
        [&](GLenum pname) {
            GLint v = 0;
            glGetTextureLevelParameteriv(name, level, pname, &v);
            if (pname == GL_TEXTURE_WIDTH)
                width = v;
            if (pname == GL_TEXTURE_HEIGHT)
                height = v;
            return v;
        },
        [&](GLenum format, GLenum type, uint64_t bytes, void* pixels) {
            GLsizei n = GLsizei(bytes > 0x7FFFFFFFu ? 0x7FFFFFFF : bytes);
            // A cube map's whole image holds all six faces: read one.
            if (cube)
                glGetTextureSubImage(name, level, 0, 0, zoffset, width, height, 1, format, type, n, pixels);
            else
                glGetTextureImage(name, level, format, type, n, pixels);
        });
}

} // namespace libgr
