// The application record: all program-wide state, one instance (`app`),
// constructed before the entry point in the order of its members: the world's
// contact tables and entities, the statistics, the player and camera
// controllers, mouse, keyboard and gamepads, the developer console, then the
// shell's own values. Everything in it lives until the process ends.
#pragma once

#include <cstdint>

#include "app/game_state.h"
#include "app/system_stats.h"
#include "console/dev_console.h"
#include "core/settings.h"
#include "gfx/graphics.h"
#include "input/input.h"
#include "world/camera.h"
#include "world/player.h"
#include "world/world.h"

struct PlatformWindow;

struct Application {
    World world;  // contact tables, entities, physics world, platform phase
    SystemStats stats;
    PlayerController player;
    CameraController camera;
    Input input;  // mouse, keyboard, the four gamepads
    DevConsole devConsole;

    float timeScale = 1.0f;      // simulation speed; nothing changes it
    double frameSeconds = 0.0;   // this frame's length, seconds (published by the clock)
    double scaledSeconds = 0.0;  // timeScale x frameSeconds: the simulation's time step
    FrameClock frameClock;
    GameState gameState = Starting;

    Settings settings;         // read once at start-up
    GraphicsContext graphics;  // device, states, shaders, buffers, matrices
    CameraOrbit orbit;         // yaw, pitch and zoom of the camera

    PlatformWindow* mainWindow = nullptr;  // null until CreateMainWindow
    bool overlayVisible = false;           // debug overlay shown (F6)
    int32_t overlayPage = 0;               // debug overlay page 0..2 (F7)
    bool physicsDebugVisible = false;      // physics wireframe shown (F8)
    int32_t cameraTargetIndex = 0;         // entity the camera follows: an index into world.entities
};

extern Application app;
