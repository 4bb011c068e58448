#include "app/frame.h"

#include <cmath>
#include <string>

#include "app/application.h"
#include "app/startup.h"
#include "core/log.h"
#include "platform/messages.h"
#include "platform/system.h"
#include "render/primitives.h"
#include "render/scene.h"
#include "world/platforms.h"
#include "world/scene.h"

bool RunMessagePass(int32_t& exitCode)
{
    bool running = true;
    Message msg;
    while (PeekMessage(&msg)) {
        if (msg.message == WM_QUIT) {
            running = false;
            exitCode = static_cast<int32_t>(msg.wParam);
            continue;
        }
        if (msg.message == WM_INPUT || msg.message == WM_KEYDOWN) {
            HandleInputMessage(app.input, msg);
        }
        TranslateMessage(msg);
        DispatchMessage(msg);
    }
    return running;
}

void UpdateFrame()
{
    // The clock counts whole milliseconds: differences of fractional readings,
    // each truncated, would lose all the time of frames shorter than 1 ms.
    TickFrameClock(app.frameClock, std::floor(ClockMilliseconds()));
    app.frameSeconds = app.frameClock.frameSeconds;
    app.scaledSeconds = static_cast<double>(app.timeScale) * app.frameSeconds;

    UpdateGameState(app.gameState, app.input.keyboard, app.devConsole, app.settings.debug);

    const bool consoleClosed = !app.devConsole.open;
    if (app.gameState == Running) {
        app.player.inputEnabled = consoleClosed;
        app.camera.inputEnabled = consoleClosed;
        AnimatePlatforms(app.world, app.scaledSeconds);
        UpdatePlayer(app.player, app.input.keyboard, app.input.gamepads, app.camera.heading, app.world);
        StepPhysics(app.world, static_cast<float>(app.scaledSeconds));
        UpdateCamera(app.camera, app.orbit, app.input.mouse, app.input.gamepads[0], app.scaledSeconds,
                     app.settings, app.world, app.cameraTargetIndex, app.graphics.cameraView);
    } else if (app.gameState == Paused && consoleClosed) {
        app.camera.inputEnabled = true;
        UpdateCamera(app.camera, app.orbit, app.input.mouse, app.input.gamepads[0], app.scaledSeconds,
                     app.settings, app.world, app.cameraTargetIndex, app.graphics.cameraView);
    }

    BeginFrame(app.graphics);
}

void DrawFrame()
{
    DrawGrid(app.graphics);
    DrawEntities(app.graphics, app.world, app.player.airborne);
}

void EndFrame()
{
    PresentFrame(app.graphics, app.settings);
    if (app.settings.debug) {
        UpdateStatusLine();
    }
    EndInputFrame(app.input);
}

void UpdateStatusLine()
{
    debugLog.statusAccumulator += static_cast<float>(app.frameSeconds);
    if (debugLog.statusAccumulator < 0.1f) {
        return;
    }
    const size_t count = app.world.entities.size();
    const int32_t index = app.cameraTargetIndex;
    const unsigned long entity =
        count == 0 ? 0ul : static_cast<unsigned long>(static_cast<uint32_t>(index) % count);

    WriteConsoleText(L"\r" + std::wstring(37, L' ') + L"\r");
    WriteConsoleText(L"Camera: ");
    WriteConsoleText(std::to_wstring(index));
    WriteConsoleText(L" (entity ");
    WriteConsoleText(std::to_wstring(entity));
    WriteConsoleText(L") -- ");
    debugLog.statusAccumulator = 0.0f;
}

int RunGame(int showCommand)
{
    if (!InitApplication(showCommand)) {
        return 1;
    }
    BuildInitialScene(app.world);

    int32_t exitCode = 0;
    bool running = true;
    while (running) {
        running = RunMessagePass(exitCode);
        UpdateFrame();
        DrawFrame();
        EndFrame();
    }

    ShutDownApplication();
    return exitCode;
}
