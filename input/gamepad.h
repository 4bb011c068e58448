// Gamepads: one record per pad user index 0..3 with dead-zoned sticks,
// trigger values and sixteen buttons on the shared edge cycle. Polled only
// when a game pad or joystick report arrives, never per frame. Owns its
// records as members; the button list points at them. Not copyable.
#pragma once

#include "input/key_state.h"
#include "platform/gamepad_reader.h"

#include <array>
#include <cstdint>

struct Gamepad {
    PadState padState;                     // state read by the last poll; zeroed before each read
    std::array<InputButton*, 16> buttons;  // the sixteen records below, in order
    uint8_t userIndex = 0;                 // pad user index 0..3, set at start-up
    bool connected = false;                // true while the last read succeeded
    // Dead-zoned stick values in -1..1 (diagonals up to about 1.41);
    // delta holds the value of the last poll.
    InputAxis rightStickX;
    InputAxis leftStickX;
    InputAxis rightStickY;
    InputAxis leftStickY;
    uint8_t rightTriggerValue = 0;  // raw trigger values of the last poll, 0..255
    uint8_t leftTriggerValue = 0;

    InputButton leftTrigger;   // code 0: driven by leftTriggerValue
    InputButton rightTrigger;  // code 0: driven by rightTriggerValue
    InputButton leftBumper;
    InputButton rightBumper;
    InputButton leftStick;
    InputButton rightStick;
    InputButton buttonA;
    InputButton buttonB;
    InputButton buttonX;
    InputButton buttonY;
    InputButton dpadUp;
    InputButton dpadDown;
    InputButton dpadLeft;
    InputButton dpadRight;
    InputButton start;
    InputButton back;

    // Disconnected, every button Unavailable, axes and padState zero.
    Gamepad();
    Gamepad(const Gamepad&) = delete;
    Gamepad& operator=(const Gamepad&) = delete;
};

// The reader every poll and probe goes through: 0 when the pad at userIndex
// answered and state was filled. Defaults to ReadGamepadState; tests swap in
// a scripted reader.
using GamepadReader = uint32_t (*)(uint32_t userIndex, PadState* state);
extern GamepadReader gamepadReader;

// If not connected: set connected and every button Up. Otherwise nothing.
void MarkConnected(Gamepad& pad);
// If connected: clear connected and set every button Unavailable. Axes,
// trigger values and padState keep their values. Otherwise nothing.
void MarkDisconnected(Gamepad& pad);
// Reads the pad, updates connected, and when connected the sticks, trigger
// values and buttons.
void PollGamepad(Gamepad& pad);
// End of frame: every button of a connected pad advances; a disconnected pad
// is left alone.
void AdvanceGamepad(Gamepad& pad);
