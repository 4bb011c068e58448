// The message queue: SDL events turned into the Windows-like messages the
// program reads (raw keyboard, raw mouse, HID notifications, key-downs,
// characters, window close), with PeekMessage, TranslateMessage,
// DispatchMessage, PostQuitMessage and DefWindowProc. Message kinds and flag
// values are the Windows numbers. One queue per process, main thread only.
#pragma once

#include <cstdint>

struct PlatformWindow;

// Message kinds.
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_INPUT = 0x00FF;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCHAR = 0x0106;  // a character typed with Alt held

// Raw-input payload kinds.
constexpr uint32_t RIM_TYPEMOUSE = 0;
constexpr uint32_t RIM_TYPEKEYBOARD = 1;
constexpr uint32_t RIM_TYPEHID = 2;

// Raw mouse button flags.
constexpr uint16_t RI_MOUSE_LEFT_BUTTON_DOWN = 0x0001;
constexpr uint16_t RI_MOUSE_LEFT_BUTTON_UP = 0x0002;
constexpr uint16_t RI_MOUSE_RIGHT_BUTTON_DOWN = 0x0004;
constexpr uint16_t RI_MOUSE_RIGHT_BUTTON_UP = 0x0008;
constexpr uint16_t RI_MOUSE_MIDDLE_BUTTON_DOWN = 0x0010;
constexpr uint16_t RI_MOUSE_MIDDLE_BUTTON_UP = 0x0020;
constexpr uint16_t RI_MOUSE_BUTTON_4_DOWN = 0x0040;
constexpr uint16_t RI_MOUSE_BUTTON_4_UP = 0x0080;
constexpr uint16_t RI_MOUSE_BUTTON_5_DOWN = 0x0100;
constexpr uint16_t RI_MOUSE_BUTTON_5_UP = 0x0200;
constexpr uint16_t RI_MOUSE_WHEEL = 0x0400;
constexpr int16_t WHEEL_DELTA = 120;  // one wheel notch

struct RawKeyboard {
    uint16_t vKey = 0;     // Windows virtual-key code
    uint32_t message = 0;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
};

struct RawMouse {
    uint16_t buttonFlags = 0;  // RI_MOUSE_* bits
    uint16_t buttonData = 0;   // wheel amount, a signed 16-bit value
    int32_t lastX = 0;         // relative motion counts, x to the right
    int32_t lastY = 0;         // y downwards
};

struct RawInput {
    uint32_t type = RIM_TYPEHID;  // RIM_TYPE*
    RawKeyboard keyboard;
    RawMouse mouse;
};

struct Message {
    PlatformWindow* window = nullptr;
    uint32_t message = 0;
    uint64_t wParam = 0;  // WM_KEYDOWN: virtual key; WM_CHAR: UTF-16 unit; WM_QUIT: exit code
    int64_t lParam = 0;   // WM_KEYDOWN: bit 30 set for an auto-repeat
    RawInput raw;         // WM_INPUT only
};

using WindowProc = int64_t (*)(PlatformWindow* window, uint32_t message, uint64_t wParam, int64_t lParam);

// The procedure DispatchMessage calls for every message (the main window's).
void SetWindowProc(WindowProc proc);

// Takes the oldest message off the queue into msg; when the queue is empty
// the pending SDL events are converted first. False when none is left.
bool PeekMessage(Message* msg);
// Like PeekMessage but leaves the message at the front of the queue, so a
// reader that wants only a WM_CHAR can look before it takes anything.
bool PeekMessageNoRemove(Message* msg);
// Characters come from text input and are already queued after their
// key-down; translating has nothing left to do.
void TranslateMessage(const Message& msg);
int64_t DispatchMessage(const Message& msg);
void PostQuitMessage(int32_t exitCode);
// WM_CLOSE destroys the window, which sends WM_DESTROY; everything else 0.
int64_t DefWindowProc(PlatformWindow* window, uint32_t message, uint64_t wParam, int64_t lParam);

// Appends a message to the queue, as the event conversion does (tests and
// tools inject input through it).
void PostPlatformMessage(const Message& msg);
// Empties the queue without dispatching (tests).
void ClearMessageQueue();

// Windows virtual-key code of an SDL scancode and whether a press of it with
// the given modifier state is a system key (Alt held, F10, Alt itself).
uint16_t VirtualKeyFromScancode(int scancode);
bool IsSystemKey(int scancode, bool altHeld);
