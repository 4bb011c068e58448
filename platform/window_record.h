// The records behind the opaque window and GL-context handles, and the
// video-system state the platform files share. Internal to platform/: no
// other folder includes this (it pulls in SDL). Window records are never
// freed, so a handle stays safe to ask about after its window is destroyed.
#pragma once

#include <SDL.h>

struct PlatformWindow {
    SDL_Window* sdlWindow = nullptr;  // null once the SDL window is gone
    bool destroyed = false;           // DestroyPlatformWindow has run
    int liveContexts = 0;             // GL contexts created for it and not yet destroyed
};

struct PlatformGLContext {
    SDL_GLContext sdlContext = nullptr;
    PlatformWindow* window = nullptr;  // the window it was created for
};

// The window messages are addressed to: the last visible one created (or a
// hidden one while no other exists); null before the first. When it is
// destroyed the newest remaining window takes over; with none left it stays
// the main window.
PlatformWindow* MainPlatformWindow();

// True when SDL's video subsystem is up with a driver that puts windows on
// a screen (not the offscreen or dummy drivers).
bool PlatformHasRealDisplay();

// Starts SDL text input once video is up (characters arrive as text events).
void EnsureTextInputStarted();
