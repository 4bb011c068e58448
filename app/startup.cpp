#include "app/startup.h"

#include "app/application.h"
#include "app/window_proc.h"
#include "core/fatal_error.h"
#include "core/log.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace {

// The developer console's output receives every logged piece.
void MirrorLogToConsole(const std::wstring& text)
{
    Print(app.devConsole, text);
}

ScreenRect DesktopRectangle()
{
    const DesktopRect desktop = GetDesktopRect();
    return ScreenRect{desktop.left, desktop.top, desktop.right, desktop.bottom};
}

// A step's result through the one check; the step's own code follows a
// failure (the step has already shown its detailed message, if it has one).
bool StepSucceeded(FatalError code, int32_t result)
{
    return CheckStartupResult(lastResult, code, result);
}

}  // namespace

void CreateMainWindow()
{
    WriteLog(true, L"Creating main window handle...");
    SetWindowProc(MainWindowProc);

    WindowDesc desc;
    desc.className = "WindowClass";
    desc.title = "Vorlandis";
    desc.x = app.settings.windowX;
    desc.y = app.settings.windowY;
    desc.width = app.settings.windowWidth;
    desc.height = app.settings.windowHeight;
    desc.borderless = app.settings.borderless;
    desc.fullscreen = app.settings.fullscreen;
    app.mainWindow = CreatePlatformWindow(desc);
    messageBoxOwner = app.mainWindow;

    WriteLog(false, L" done!\n");
}

bool InitApplication(int showCommand)
{
    debugLog.mirror = MirrorLogToConsole;

    PrefillCpuHistory(app.stats);
    OpenLogFile("log.txt");
    WriteLog(true, L"---> START OF DEBUG CONSOLE <---\n");

    // The desktop size is the default window size, so the video system comes
    // up before the settings are read. Without a display it stays down, and
    // the window and device steps report that.
    InitPlatform();
    LoadSettings(app.settings, "config.ini", DesktopRectangle());

    if (app.settings.debug) {
        if (!StepSucceeded(DebugMonitorFailed, CreateDebugConsole())) {
            return false;
        }
        debugLog.consoleEnabled = true;
        app.overlayVisible = false;
        app.overlayPage = 0;
        app.physicsDebugVisible = false;
        app.cameraTargetIndex = 0;
    }

    app.gameState = Starting;
    CreateMainWindow();
    ShowPlatformWindow(app.mainWindow, showCommand);

    if (!StepSucceeded(HardwareEnumerationFailed,
                       EnumerateHardware(app.graphics, app.stats.totalPhysicalMemory))) {
        return false;
    }
    if (!StepSucceeded(DirectXInitFailed, InitDirect3D(app.graphics, app.settings, app.mainWindow))) {
        return false;
    }
    if (!StepSucceeded(HidRegistrationFailed, InitInput(app.input, app.settings))) {
        return false;
    }
    if (!StepSucceeded(ShadersInitFailed, LoadShaders(app.graphics))) {
        return false;
    }
    if (!StepSucceeded(GraphicsInitFailed, LoadStartingGraphics(app.graphics, app.settings))) {
        return false;
    }
    SeedCamera(app.camera);
    if (!StepSucceeded(PhysicsInitFailed, InitPhysics(app.world, nullptr, app.cameraTargetIndex))) {
        return false;
    }
    app.player.entity = app.world.playerEntity;

    HideAndConfineCursor(app.mainWindow);

    app.gameState = Ready;
    WriteLog(true, L"Entering main loop...\n");

    app.camera.inputEnabled = true;
    app.gameState = Running;
    return true;
}

void ShutDownApplication()
{
    WriteConsoleText(L"\n");
    WriteLog(true, L"Main loop terminated!\n");
    ReleaseDirect3D(app.graphics);

    WriteLog(true, L"Releasing files... ");
    WriteLog(false, L"done!\n");
    WriteLog(true, L"----> END OF DEBUG CONSOLE <----\n");
    CloseLogFile();
}
