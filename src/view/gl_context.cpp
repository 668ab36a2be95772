#include "view/gl_context.h"

#include "foundation/diagnostics.h"

// GLEW must come before any other GL header.
#include <GL/glew.h>

#include <GL/freeglut.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace
{

// libEGL is opened at run time: the programs need no EGL library to link,
// and fall back to freeglut where there is none.
struct egl_t {
    void* lib = nullptr;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    PFNEGLDESTROYSURFACEPROC destroySurface = nullptr;
    PFNEGLTERMINATEPROC terminate = nullptr;
    PFNEGLDESTROYCONTEXTPROC destroyContext = nullptr;
    PFNEGLMAKECURRENTPROC makeCurrent = nullptr;
} egl;

int glutWindow = 0;

template <class F> F sym(const char* name)
{
    return reinterpret_cast<F>(dlsym(egl.lib, name));
}

bool eglSurfaceless()
{
    egl.lib = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!egl.lib)
        return false;
    auto getProcAddress = sym<PFNEGLGETPROCADDRESSPROC>("eglGetProcAddress");
    auto initialize = sym<PFNEGLINITIALIZEPROC>("eglInitialize");
    auto bindApi = sym<PFNEGLBINDAPIPROC>("eglBindAPI");
    auto chooseConfig = sym<PFNEGLCHOOSECONFIGPROC>("eglChooseConfig");
    auto createContext = sym<PFNEGLCREATECONTEXTPROC>("eglCreateContext");
    egl.makeCurrent = sym<PFNEGLMAKECURRENTPROC>("eglMakeCurrent");
    egl.destroyContext = sym<PFNEGLDESTROYCONTEXTPROC>("eglDestroyContext");
    egl.terminate = sym<PFNEGLTERMINATEPROC>("eglTerminate");
    egl.destroySurface = sym<PFNEGLDESTROYSURFACEPROC>("eglDestroySurface");
    auto createPbufferSurface = sym<PFNEGLCREATEPBUFFERSURFACEPROC>("eglCreatePbufferSurface");
    if (!createPbufferSurface || !egl.destroySurface || !getProcAddress || !initialize || !bindApi || !chooseConfig ||
        !createContext || !egl.makeCurrent || !egl.destroyContext || !egl.terminate)
        return false;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(getProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return false;
    egl.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (egl.display == EGL_NO_DISPLAY || !initialize(egl.display, &major, &minor))
        return false;
    if (!bindApi(EGL_OPENGL_API))
        return false;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config;
    EGLint configs = 0;
    if (!chooseConfig(egl.display, attributes, &config, 1, &configs) || configs < 1)
        return false;
    // No version asked: the driver gives its highest compatibility profile,
    // as freeglut's default does.
    egl.context = createContext(egl.display, config, EGL_NO_CONTEXT, nullptr);
    if (egl.context == EGL_NO_CONTEXT)
        return false;
    // A small pbuffer gives the context a complete default framebuffer: GL
    // refuses draw calls (the frame pass's transform feedback among them)
    // with none bound.
    const EGLint size[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
    egl.surface = createPbufferSurface(egl.display, config, size);
    if (egl.surface == EGL_NO_SURFACE)
        return false;
    return egl.makeCurrent(egl.display, egl.surface, egl.surface, egl.context) == EGL_TRUE;
}

bool hiddenGlutWindow(const char* name)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        return false;
    // GLUT sees only a program name: the caller's options are not its own.
    int argc = 1;
    char* argv[] = {const_cast<char*>(name), nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutWindow = glutCreateWindow(name);
    glutHideWindow();
    return glutWindow != 0;
}

} // namespace

bool loadGL()
{
    // Workaround: Debian's GLEW is built for GLX and does not export its GL
    // half (glewContextInit). glewInit loads the GL entry points first and
    // then GLX's, which on an EGL context fails with
    // GLEW_ERROR_NO_GLX_DISPLAY although GL is loaded: its result is
    // ignored, and the version flag says what matters.
    // VykshotTest.SamePictureWithoutAnXServer shows it.
    glewInit();
    // GLEW's probing may leave an error behind that is not ours.
    while (glGetError() != GL_NO_ERROR) {
    }
    if (!GLEW_VERSION_3_3) {
        libutils::reportf("OpenGL 3.3 or later required.\n");
        return false;
    }
    return true;
}

bool openGLContext(const char* name)
{
    if (!eglSurfaceless()) {
        closeGLContext();
        if (!hiddenGlutWindow(name)) {
            libutils::reportf("no OpenGL context: neither EGL nor an X display is available.\n");
            return false;
        }
    }
    return loadGL();
}

void closeGLContext()
{
    if (egl.context != EGL_NO_CONTEXT) {
        egl.makeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        egl.destroyContext(egl.display, egl.context);
        egl.context = EGL_NO_CONTEXT;
    }
    if (egl.surface != EGL_NO_SURFACE) {
        egl.destroySurface(egl.display, egl.surface);
        egl.surface = EGL_NO_SURFACE;
    }
    if (egl.display != EGL_NO_DISPLAY && egl.terminate) {
        egl.terminate(egl.display);
        egl.display = EGL_NO_DISPLAY;
    }
    // The library stays loaded: the driver may still hold it.
    if (glutWindow != 0) {
        glutDestroyWindow(glutWindow);
        glutWindow = 0;
    }
}
