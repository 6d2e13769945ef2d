// An off-screen desktop OpenGL context through EGL (Mesa's surfaceless
// platform, else the default display), for drawing tests and benchmarks
// without a window or X server. libEGL is loaded at run time, so a machine
// without it still builds and the caller can skip with `Why()`.
//
// One context per process: the first call creates it and makes it current
// on the calling thread.
#pragma once

#include <EGL/egl.h>
#include <dlfcn.h>

#include <string>

class OffscreenGl {
public:
    static const OffscreenGl& Get()
    {
        static const OffscreenGl gl;
        return gl;
    }
    bool Ok() const { return m_ok; }
    const std::string& Why() const { return m_why; }
    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 1024;

private:
    OffscreenGl()
    {
        void* egl = dlopen("libEGL.so.1", RTLD_NOW | RTLD_GLOBAL);
        if (!egl) {
            m_why = "libEGL.so.1 not found";
            return;
        }
        auto getProc =
            reinterpret_cast<decltype(&eglGetProcAddress)>(dlsym(egl, "eglGetProcAddress"));
        auto getDisplay = reinterpret_cast<decltype(&eglGetDisplay)>(dlsym(egl, "eglGetDisplay"));
        auto init = reinterpret_cast<decltype(&eglInitialize)>(dlsym(egl, "eglInitialize"));
        auto bind = reinterpret_cast<decltype(&eglBindAPI)>(dlsym(egl, "eglBindAPI"));
        auto choose = reinterpret_cast<decltype(&eglChooseConfig)>(dlsym(egl, "eglChooseConfig"));
        auto pbuffer = reinterpret_cast<decltype(&eglCreatePbufferSurface)>(
            dlsym(egl, "eglCreatePbufferSurface"));
        auto create =
            reinterpret_cast<decltype(&eglCreateContext)>(dlsym(egl, "eglCreateContext"));
        auto current = reinterpret_cast<decltype(&eglMakeCurrent)>(dlsym(egl, "eglMakeCurrent"));
        if (!getProc || !getDisplay || !init || !bind || !choose || !pbuffer || !create ||
            !current) {
            m_why = "EGL entry points missing";
            return;
        }
        using PlatformDisplay = EGLDisplay (*)(EGLenum, void*, const EGLint*);
        auto platformDisplay =
            reinterpret_cast<PlatformDisplay>(getProc("eglGetPlatformDisplayEXT"));
        EGLDisplay display = EGL_NO_DISPLAY;
        EGLint major = 0, minor = 0;
        if (platformDisplay)
            display = platformDisplay(0x31DD /* EGL_PLATFORM_SURFACELESS_MESA */, nullptr, nullptr);
        if (display == EGL_NO_DISPLAY || !init(display, &major, &minor)) {
            display = getDisplay(EGL_DEFAULT_DISPLAY);
            if (display == EGL_NO_DISPLAY || !init(display, &major, &minor)) {
                m_why = "no EGL display";
                return;
            }
        }
        const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,   EGL_RED_SIZE,    8,
                                     EGL_GREEN_SIZE,   8,               EGL_BLUE_SIZE,
                                     8,                EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!bind(EGL_OPENGL_API) || !choose(display, attributes, &config, 1, &count) ||
            count < 1) {
            m_why = "no EGL configuration for desktop OpenGL";
            return;
        }
        const EGLint size[] = {EGL_WIDTH, kWidth, EGL_HEIGHT, kHeight, EGL_NONE};
        EGLSurface surface = pbuffer(display, config, size);
        EGLContext context = create(display, config, EGL_NO_CONTEXT, nullptr);
        if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
            !current(display, surface, surface, context)) {
            m_why = "cannot make an EGL context current";
            return;
        }
        m_ok = true;
    }

    bool m_ok = false;
    std::string m_why;
};
