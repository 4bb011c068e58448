// The main window's procedure: the quit on destruction and the fixed keys
// R, F6, F7, F8, comma and period. Runs inside DispatchMessage, never during
// the update or the drawing.
#pragma once

#include <cstdint>

struct PlatformWindow;

int64_t MainWindowProc(PlatformWindow* window, uint32_t message, uint64_t wParam, int64_t lParam);
