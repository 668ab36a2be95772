// A GL context without a window: EGL surfaceless first, a hidden freeglut
// window as the fallback.
#include "headless_gl.h"

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

// libEGL is opened at run time: the program needs no EGL library to link,
// and falls back to freeglut where there is none.
struct Egl {
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

bool hiddenGlutWindow(int& argc, char** argv)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        return false;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutWindow = glutCreateWindow("vykconv");
    glutHideWindow();
    return glutWindow != 0;
}

} // namespace

bool makeHeadlessGL(int& argc, char** argv)
{
    if (!eglSurfaceless()) {
        endHeadlessGL();
        if (!hiddenGlutWindow(argc, argv)) {
            std::fprintf(stderr, "no OpenGL context: neither EGL nor an X display is available.\n");
            return false;
        }
    }
    glewExperimental = GL_TRUE;
    // Under EGL, GLEW reports that there is no GLX display after it has
    // loaded the GL entry points; the version flags tell what matters.
    GLenum r = glewInit();
    if (r != GLEW_OK && r != GLEW_ERROR_NO_GLX_DISPLAY) {
        std::fprintf(stderr, "OpenGL 3.3 or later required.\n");
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    if (!GLEW_VERSION_3_3) {
        std::fprintf(stderr, "OpenGL 3.3 or later required.\n");
        return false;
    }
    return true;
}

void endHeadlessGL()
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
