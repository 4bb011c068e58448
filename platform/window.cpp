// Video start-up, the main window, its GL context and presentation, the
// desktop and display modes, and the cursor, over SDL2.
#include "platform/window.h"

#include "platform/gamepad_reader.h"
#include "platform/window_record.h"

#include <SDL.h>

#include <cassert>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <vector>

namespace {

// X11 encodes window sizes in 16 bits; larger requests are refused here
// rather than left to a protocol error.
constexpr int32_t kMaxWindowSide = 32767;

struct WindowSystem {
    bool initTried = false;
    bool initOk = false;
    bool textInputStarted = false;
    // Every window record ever created; records outlive their SDL windows.
    std::vector<std::unique_ptr<PlatformWindow>> windows;
    PlatformWindow* mainWindow = nullptr;
};

WindowSystem& System()
{
    static WindowSystem system;
    return system;
}

bool IsKnownWindow(const PlatformWindow* window)
{
    for (const auto& record : System().windows)
        if (record.get() == window)
            return true;
    return false;
}

// Shrinks a decorated window so that its outer rectangle (client area plus
// title bar and frame) matches the requested one. SDL knows the frame sizes
// only once the window manager has decorated the window; otherwise the
// window keeps the requested size as its client size.
void FitOuterRect(SDL_Window* window, const WindowDesc& desc)
{
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0)
        return;
    if (top < 0 || left < 0 || bottom < 0 || right < 0)
        return;
    const int64_t clientWidth = int64_t(desc.width) - left - right;
    const int64_t clientHeight = int64_t(desc.height) - top - bottom;
    if (clientWidth < 1 || clientHeight < 1)
        return;
    SDL_SetWindowSize(window, int(clientWidth), int(clientHeight));
    SDL_SetWindowPosition(window, int(int64_t(desc.x) + left), int(int64_t(desc.y) + top));
}

}  // namespace

PlatformWindow* MainPlatformWindow()
{
    return System().mainWindow;
}

bool PlatformHasRealDisplay()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr)
        return false;
    return std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

void EnsureTextInputStarted()
{
    WindowSystem& system = System();
    if (system.textInputStarted || SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return;
    SDL_StartTextInput();
    system.textInputStarted = true;
}

bool InitPlatform()
{
    WindowSystem& system = System();
    if (system.initTried)
        return system.initOk;
    system.initTried = true;

    std::signal(SIGPIPE, SIG_IGN);
    // The software rasterizer (Mesa llvmpipe) allocates and frees its scene
    // memory for every frame it renders. With glibc's default thresholds
    // those blocks are trimmed or unmapped back to the system and then
    // page-faulted in again the next frame, which costs about half the
    // drawing time; keeping up to 256 MiB of freed heap and serving blocks
    // up to 32 MiB from the heap stops that.
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    // Without an explicit driver SDL would fall back to its offscreen driver
    // and the game would run with no visible window.
    if (std::getenv("SDL_VIDEODRIVER") == nullptr)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
    // SDL reads the window class (X11 WM_CLASS, Wayland app id) once, when
    // video starts, so the windows get the default class of WindowDesc;
    // a class set in the environment by the user is kept.
    setenv("SDL_VIDEO_X11_WMCLASS", WindowDesc{}.className, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", WindowDesc{}.className, 0);
    // Pads are read whether or not the window has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");

    if (SDL_Init(0) != 0) {
        std::fprintf(stderr, "SDL could not start: %s\n", SDL_GetError());
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL video could not start: %s\n", SDL_GetError());
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "SDL game controllers unavailable: %s\n", SDL_GetError());
    } else {
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i)
            if (SDL_IsGameController(i))
                HandleControllerDeviceEvent(SDL_CONTROLLERDEVICEADDED, i);
    }
    EnsureTextInputStarted();
    system.initOk = true;
    return true;
}

PlatformWindow* CreatePlatformWindow(const WindowDesc& desc)
{
    if (!InitPlatform())
        return nullptr;
    if (desc.width < 1 || desc.height < 1 || desc.width > kMaxWindowSide || desc.height > kMaxWindowSide)
        return nullptr;

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    Uint32 flags = SDL_WINDOW_OPENGL;
    if (desc.borderless)
        flags |= SDL_WINDOW_BORDERLESS;
    if (desc.fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;
    flags |= desc.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;

    SDL_Window* sdlWindow = SDL_CreateWindow(desc.title != nullptr ? desc.title : "", desc.x, desc.y,
                                             desc.width, desc.height, flags);
    if (sdlWindow == nullptr) {
        std::fprintf(stderr, "SDL could not create the window: %s\n", SDL_GetError());
        return nullptr;
    }
    if (!desc.borderless && !desc.fullscreen)
        FitOuterRect(sdlWindow, desc);

    WindowSystem& system = System();
    system.windows.push_back(std::make_unique<PlatformWindow>());
    PlatformWindow* window = system.windows.back().get();
    window->sdlWindow = sdlWindow;
    // A hidden helper window (a device probe) must not take the messages
    // away from the window the user sees.
    if (desc.visible || !PlatformWindowExists(system.mainWindow))
        system.mainWindow = window;
    EnsureTextInputStarted();
    return window;
}

void ShowPlatformWindow(PlatformWindow* window, int showCommand)
{
    if (!PlatformWindowExists(window))
        return;
    if (showCommand == 0)
        SDL_HideWindow(window->sdlWindow);
    else
        SDL_ShowWindow(window->sdlWindow);
}

// The SDL window goes away at once unless a GL context still draws through
// it: then it is only hidden, so the context stays current and usable, and
// it is destroyed with the last such context. Either way the window counts
// as destroyed from here on. Destroying the main window hands that role to
// the newest window left, if any; otherwise it stays the main window.
void DestroyPlatformWindow(PlatformWindow* window)
{
    if (!PlatformWindowExists(window))
        return;
    window->destroyed = true;
    WindowSystem& system = System();
    if (system.mainWindow == window) {
        for (auto record = system.windows.rbegin(); record != system.windows.rend(); ++record) {
            if (PlatformWindowExists(record->get())) {
                system.mainWindow = record->get();
                break;
            }
        }
    }
    if (window->liveContexts > 0) {
        SDL_HideWindow(window->sdlWindow);
        return;
    }
    SDL_DestroyWindow(window->sdlWindow);
    window->sdlWindow = nullptr;
}

bool PlatformWindowExists(PlatformWindow* window)
{
    return window != nullptr && IsKnownWindow(window) && !window->destroyed && window->sdlWindow != nullptr;
}

void SetWindowFullscreen(PlatformWindow* window, bool fullscreen)
{
    if (!PlatformWindowExists(window))
        return;
    SDL_SetWindowFullscreen(window->sdlWindow, fullscreen ? SDL_WINDOW_FULLSCREEN : 0);
}

void GetWindowDrawableSize(PlatformWindow* window, int32_t* width, int32_t* height)
{
    assert(width != nullptr && height != nullptr && "GetWindowDrawableSize needs both outputs");
    int w = 0, h = 0;
    if (PlatformWindowExists(window))
        SDL_GL_GetDrawableSize(window->sdlWindow, &w, &h);
    *width = w;
    *height = h;
}

PlatformGLContext* CreateGLContext(PlatformWindow* window)
{
    if (!PlatformWindowExists(window))
        return nullptr;
    SDL_GLContext sdlContext = SDL_GL_CreateContext(window->sdlWindow);
    if (sdlContext == nullptr) {
        std::fprintf(stderr, "SDL could not create a GL 3.3 core context: %s\n", SDL_GetError());
        return nullptr;
    }
    if (SDL_GL_MakeCurrent(window->sdlWindow, sdlContext) != 0) {
        std::fprintf(stderr, "SDL could not make the GL context current: %s\n", SDL_GetError());
        SDL_GL_DeleteContext(sdlContext);
        return nullptr;
    }
    auto* context = new PlatformGLContext;
    context->sdlContext = sdlContext;
    context->window = window;
    ++window->liveContexts;
    return context;
}

void DestroyGLContext(PlatformGLContext* context)
{
    if (context == nullptr)
        return;
    PlatformWindow* window = context->window;
    if (SDL_GL_GetCurrentContext() == context->sdlContext)
        SDL_GL_MakeCurrent(window->sdlWindow, nullptr);
    SDL_GL_DeleteContext(context->sdlContext);
    --window->liveContexts;
    if (window->destroyed && window->liveContexts == 0 && window->sdlWindow != nullptr) {
        SDL_DestroyWindow(window->sdlWindow);
        window->sdlWindow = nullptr;
    }
    delete context;
}

void* GetGLProcAddress(const char* name)
{
    assert(name != nullptr && "GetGLProcAddress needs a function name");
    return SDL_GL_GetProcAddress(name);
}

void SetSwapInterval(int interval)
{
    SDL_GL_SetSwapInterval(interval);
}

// A destroyed window has nothing left to present to; the frame is dropped.
void SwapWindowBuffers(PlatformWindow* window)
{
    if (!PlatformWindowExists(window))
        return;
    SDL_GL_SwapWindow(window->sdlWindow);
}

DesktopRect GetDesktopRect()
{
    DesktopRect rect;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return rect;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return rect;
    rect.right = mode.w;
    rect.bottom = mode.h;
    return rect;
}

namespace {

DisplayMode ToDisplayMode(const SDL_DisplayMode& mode)
{
    DisplayMode out;
    out.width = uint32_t(mode.w);
    out.height = uint32_t(mode.h);
    out.refreshNumerator = mode.refresh_rate > 0 ? uint32_t(mode.refresh_rate) : 0;
    out.refreshDenominator = 1;
    return out;
}

}  // namespace

// SDL reports whole hertz, so every rate is n/1; an unknown rate is 0/1.
// Entries without a size are skipped (the offscreen driver lists one); a
// display that lists no usable mode reports its desktop mode, which it is
// running in.
bool GetDisplayModes(std::vector<DisplayMode>& modes)
{
    modes.clear();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return false;
    const int count = SDL_GetNumDisplayModes(0);
    if (count < 0)
        return false;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0 || mode.w <= 0 || mode.h <= 0)
            continue;
        modes.push_back(ToDisplayMode(mode));
    }
    if (modes.empty()) {
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0)
            modes.push_back(ToDisplayMode(desktop));
    }
    return true;
}

// Relative mode reports raw motion (no acceleration of ours) and keeps the
// pointer inside the window; drivers without it (offscreen) just hide it.
void HideAndConfineCursor(PlatformWindow* window)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return;
    SDL_ShowCursor(SDL_DISABLE);
    if (SDL_SetRelativeMouseMode(SDL_TRUE) != 0)
        return;
    if (PlatformWindowExists(window))
        SDL_SetWindowGrab(window->sdlWindow, SDL_TRUE);
}
