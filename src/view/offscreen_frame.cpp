#include "view/offscreen_frame.h"

#include "foundation/check_gl.h"

#include <GL/glew.h>

namespace
{

// An off-screen colour and depth target, bound while it lives.
struct framebuffer_t {
    GLuint fbo = 0, color = 0, depth = 0;
    bool create(int w, int h)
    {
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glGenRenderbuffers(1, &color);
        glBindRenderbuffer(GL_RENDERBUFFER, color);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        const bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        checkGL("drawOffscreen(framebuffer)");
        return ok;
    }
    ~framebuffer_t()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (depth)
            glDeleteRenderbuffers(1, &depth);
        if (color)
            glDeleteRenderbuffers(1, &color);
        if (fbo)
            glDeleteFramebuffers(1, &fbo);
    }
};

} // namespace

offscreenStatus_t drawOffscreen(sceneview_t& view, int w, int h, libgr::grImage2D& image)
{
    framebuffer_t target;
    if (!target.create(w, h))
        return offscreenStatus_t::noFramebuffer;
    view.reshape(w, h);
    view.display();
    glFinish();

    image.format = {libgr::grFmtRGB, libgr::grTypeUINT, libgr::grBits8};
    image.width = static_cast<uint32_t>(w);
    image.height = static_cast<uint32_t>(h);
    if (!image.allocate())
        return offscreenStatus_t::noMemory;
    // Rows come bottom first, as the image stores them; 4-byte row alignment
    // matches the image's row size.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, image.row(0));
    checkGL("drawOffscreen(readpixels)");
    return offscreenStatus_t::drawn;
}
