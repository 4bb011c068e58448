#include "input/gamepad.h"

#include <cassert>
#include <cmath>

GamepadReader gamepadReader = ReadGamepadState;

namespace {

struct PadButtonInfo {
    InputButton Gamepad::*record;
    const char* name;
    uint16_t code;  // pad button bit; 0 for the triggers, driven by their values
};

// The button list, in list order.
const PadButtonInfo kPadButtons[16] = {
    {&Gamepad::leftTrigger, "Left Trigger/L2", 0},
    {&Gamepad::rightTrigger, "Right Trigger/R2", 0},
    {&Gamepad::leftBumper, "Left Bumper/L1", PAD_LEFT_SHOULDER},
    {&Gamepad::rightBumper, "Right Bumper/R1", PAD_RIGHT_SHOULDER},
    {&Gamepad::leftStick, "Left Stick/L3", PAD_LEFT_THUMB},
    {&Gamepad::rightStick, "Right Stick/R3", PAD_RIGHT_THUMB},
    {&Gamepad::buttonA, "A/Cross", PAD_A},
    {&Gamepad::buttonB, "B/Circle", PAD_B},
    {&Gamepad::buttonX, "X/Square", PAD_X},
    {&Gamepad::buttonY, "Y/Triangle", PAD_Y},
    {&Gamepad::dpadUp, "D-Pad Up", PAD_DPAD_UP},
    {&Gamepad::dpadDown, "D-Pad Down", PAD_DPAD_DOWN},
    {&Gamepad::dpadLeft, "D-Pad Left", PAD_DPAD_LEFT},
    {&Gamepad::dpadRight, "D-Pad Right", PAD_DPAD_RIGHT},
    {&Gamepad::start, "Start", PAD_START},
    {&Gamepad::back, "Back/Select", PAD_BACK},
};

// Full deflection of a stick component is 2^15 raw units.
constexpr float kStickScale = 0x1p-15f;
// Radial dead zone: a quarter of full deflection.
constexpr float kDeadZone = 0.25f;

float StickMagnitude(float x, float y)
{
    const double xd = x;
    const double yd = y;
    const float magnitude = static_cast<float>(std::sqrt(xd * xd + yd * yd));
    return magnitude < 1.0f ? magnitude : 1.0f;
}

// Dead-zoned value of one stick component pair: the vector (x, y) scaled by
// k = (m - dead zone) / (1 - dead zone), not by k / m, so the output
// magnitude is k * m; exactly 0 inside the dead zone.
void DeadZoneStick(float x, float y, float& outX, float& outY)
{
    const float magnitude = StickMagnitude(x, y);
    if (magnitude > kDeadZone) {
        const float k = (magnitude - kDeadZone) / (1.0f - kDeadZone);
        outX = k * x;
        outY = k * y;
    } else {
        outX = 0.0f;
        outY = 0.0f;
    }
}

// Adds value to the running total and publishes it as the delta. The delta
// is the value itself rather than total - previous: once the float total has
// grown large, that difference would round the stick value away.
void AddToAxis(InputAxis& axis, float value)
{
    axis.total += value;
    axis.previous = axis.total;
    axis.delta = value;
}

void SetFromPad(InputButton& button, bool down)
{
    if (down) {
        PressButton(button);
    } else {
        PadReleaseButton(button);
    }
}

}  // namespace

Gamepad::Gamepad()
{
    for (size_t i = 0; i < buttons.size(); ++i) {
        InputButton& button = this->*kPadButtons[i].record;
        button.name = kPadButtons[i].name;
        button.code = kPadButtons[i].code;
        button.state = Unavailable;
        buttons[i] = &button;
    }
}

void MarkConnected(Gamepad& pad)
{
    if (pad.connected) {
        return;
    }
    pad.connected = true;
    for (InputButton* button : pad.buttons) {
        button->state = Up;
    }
}

void MarkDisconnected(Gamepad& pad)
{
    if (!pad.connected) {
        return;
    }
    pad.connected = false;
    for (InputButton* button : pad.buttons) {
        button->state = Unavailable;
    }
}

void PollGamepad(Gamepad& pad)
{
    assert(gamepadReader != nullptr && "a gamepad reader must be installed");
    pad.padState = PadState{};
    if (gamepadReader(pad.userIndex, &pad.padState) == 0) {
        MarkConnected(pad);
    } else {
        MarkDisconnected(pad);
    }
    if (!pad.connected) {
        return;
    }

    const PadState& state = pad.padState;
    const float lx = static_cast<float>(state.thumbLX) * kStickScale;
    const float ly = static_cast<float>(state.thumbLY) * kStickScale;
    const float rx = static_cast<float>(state.thumbRX) * kStickScale;
    const float ry = static_cast<float>(state.thumbRY) * kStickScale;
    float rightX = 0.0f, rightY = 0.0f, leftX = 0.0f, leftY = 0.0f;
    DeadZoneStick(rx, ry, rightX, rightY);
    DeadZoneStick(lx, ly, leftX, leftY);
    AddToAxis(pad.rightStickX, rightX);
    AddToAxis(pad.rightStickY, rightY);
    AddToAxis(pad.leftStickX, leftX);
    AddToAxis(pad.leftStickY, leftY);

    pad.rightTriggerValue = state.rightTrigger;
    pad.leftTriggerValue = state.leftTrigger;
    SetFromPad(pad.rightTrigger, pad.rightTriggerValue != 0);
    SetFromPad(pad.leftTrigger, pad.leftTriggerValue != 0);

    for (InputButton* button : pad.buttons) {
        if (button->code != 0) {
            SetFromPad(*button, (state.buttons & button->code) != 0);
        }
    }
}

void AdvanceGamepad(Gamepad& pad)
{
    if (!pad.connected) {
        return;
    }
    for (InputButton* button : pad.buttons) {
        AdvanceButton(*button);
    }
}
