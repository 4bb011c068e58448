#include "app/window_proc.h"

#include "app/application.h"
#include "platform/messages.h"
#include "world/camera.h"
#include "world/entity.h"

namespace {

constexpr uint64_t VK_R = 0x52;
constexpr uint64_t VK_F6 = 0x75;
constexpr uint64_t VK_F7 = 0x76;
constexpr uint64_t VK_F8 = 0x77;
constexpr uint64_t VK_COMMA = 0xBC;
constexpr uint64_t VK_PERIOD = 0xBE;

void HandleWindowKey(uint64_t virtualKey)
{
    switch (virtualKey) {
    case VK_R:
        ResetAllEntities(app.world);
        break;
    case VK_F6:
        app.overlayVisible = !app.overlayVisible;
        break;
    case VK_F7:
        app.overlayPage += 1;
        if (app.overlayPage > 2) {
            app.overlayPage = 0;
        }
        break;
    case VK_F8:
        app.physicsDebugVisible = !app.physicsDebugVisible;
        break;
    case VK_COMMA:
        app.cameraTargetIndex = PreviousCameraTarget(app.cameraTargetIndex, app.world.entities.size());
        break;
    case VK_PERIOD:
        app.cameraTargetIndex = NextCameraTarget(app.cameraTargetIndex, app.world.entities.size());
        break;
    default:
        break;
    }
}

}  // namespace

int64_t MainWindowProc(PlatformWindow* window, uint32_t message, uint64_t wParam, int64_t lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        if (!app.devConsole.open) {
            HandleWindowKey(wParam);
        }
        return DefWindowProc(window, message, wParam, lParam);
    default:
        return DefWindowProc(window, message, wParam, lParam);
    }
}
