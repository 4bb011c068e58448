// The OS layer's window side (SDL2): start-up of the video system, the main
// window, its GL context and presentation, the desktop and its display modes,
// and the cursor. The only folder that includes SDL; nothing above sees it.
// Windows and contexts live until destroyed or until the process ends.
#pragma once

#include <cstdint>
#include <vector>

struct PlatformWindow;     // opaque: an SDL window
struct PlatformGLContext;  // opaque: an SDL GL context

// Starts SDL's video, game-controller and joystick subsystems once. When
// SDL_VIDEODRIVER is not set only real display drivers (x11, wayland) are
// asked for, so a machine without a display fails here instead of running
// invisibly. Also ignores SIGPIPE. Returns false (and says why on standard
// error) when no video driver could be started; later calls return the
// first answer.
bool InitPlatform();

struct WindowDesc {
    const char* className = "WindowClass";
    const char* title = "Vorlandis";
    int32_t x = 0, y = 0;           // outer position, screen pixels
    int32_t width = 0, height = 0;  // outer size, pixels
    bool borderless = false;
    bool fullscreen = false;  // exclusive full screen
    bool visible = true;
};

// A GL-capable, non-resizable window; null when it cannot be created
// (no display, a size the system refuses).
PlatformWindow* CreatePlatformWindow(const WindowDesc& desc);
void ShowPlatformWindow(PlatformWindow* window, int showCommand);
void DestroyPlatformWindow(PlatformWindow* window);
bool PlatformWindowExists(PlatformWindow* window);
void SetWindowFullscreen(PlatformWindow* window, bool fullscreen);
void GetWindowDrawableSize(PlatformWindow* window, int32_t* width, int32_t* height);

// GL 3.3 core context for the window, made current; null on failure.
PlatformGLContext* CreateGLContext(PlatformWindow* window);
void DestroyGLContext(PlatformGLContext* context);
void* GetGLProcAddress(const char* name);
void SetSwapInterval(int interval);
void SwapWindowBuffers(PlatformWindow* window);

struct DisplayMode {
    uint32_t width = 0, height = 0;
    uint32_t refreshNumerator = 0, refreshDenominator = 0;
};

// The desktop rectangle of the first display; all zero when there is none.
struct DesktopRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
DesktopRect GetDesktopRect();
// Display modes of the first display; false when there is no display.
bool GetDisplayModes(std::vector<DisplayMode>& modes);

// Hides the cursor and keeps it inside the window (relative mouse mode where
// the driver offers it; offscreen it does not, which is not an error).
void HideAndConfineCursor(PlatformWindow* window);
