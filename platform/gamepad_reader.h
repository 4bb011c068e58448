// Gamepad reader: an XInput-like state per user index 0..3 from SDL's
// game-controller API. Controllers are opened and closed as SDL reports them
// added and removed; an empty slot answers "not connected".
#pragma once

#include <cstdint>

// Button bits of PadState::buttons.
constexpr uint16_t PAD_DPAD_UP = 0x0001;
constexpr uint16_t PAD_DPAD_DOWN = 0x0002;
constexpr uint16_t PAD_DPAD_LEFT = 0x0004;
constexpr uint16_t PAD_DPAD_RIGHT = 0x0008;
constexpr uint16_t PAD_START = 0x0010;
constexpr uint16_t PAD_BACK = 0x0020;
constexpr uint16_t PAD_LEFT_THUMB = 0x0040;
constexpr uint16_t PAD_RIGHT_THUMB = 0x0080;
constexpr uint16_t PAD_LEFT_SHOULDER = 0x0100;
constexpr uint16_t PAD_RIGHT_SHOULDER = 0x0200;
constexpr uint16_t PAD_A = 0x1000;
constexpr uint16_t PAD_B = 0x2000;
constexpr uint16_t PAD_X = 0x4000;
constexpr uint16_t PAD_Y = 0x8000;

struct PadState {
    uint32_t packetNumber = 0;
    uint16_t buttons = 0;     // PAD_* bits
    uint8_t leftTrigger = 0;  // 0..255
    uint8_t rightTrigger = 0;
    int16_t thumbLX = 0;  // sticks, -32768..32767, y up
    int16_t thumbLY = 0;
    int16_t thumbRX = 0;
    int16_t thumbRY = 0;
};

// Fills state for the pad at userIndex: 0 when connected, otherwise
// ERROR_DEVICE_NOT_CONNECTED (1167) with state untouched.
uint32_t ReadGamepadState(uint32_t userIndex, PadState* state);

// Opens or closes controllers for SDL's device added / removed events; called
// by the event conversion of the message queue.
void HandleControllerDeviceEvent(int sdlEventType, int deviceIndexOrInstanceId);

// Virtual gamepads: controllers made in software through SDL's virtual
// joysticks, seen by the reader (and announced by HID messages) exactly like
// plugged-in ones. Tests and tools drive the game with them; each lives until
// detached.
struct VirtualGamepad;

// Plugs in a new virtual controller; null when the system offers none.
VirtualGamepad* AttachVirtualGamepad();
// Sets every button, trigger and stick (y up, as PadState has it).
void SetVirtualGamepadState(VirtualGamepad* pad, const PadState& state);
// Unplugs and frees the controller.
void DetachVirtualGamepad(VirtualGamepad* pad);
