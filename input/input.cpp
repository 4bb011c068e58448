#include "input/input.h"

#include "core/fatal_error.h"
#include "core/log.h"
#include "input/key_names.h"

#include <cwchar>

namespace {

void KeyboardEvent(Keyboard& keyboard, const RawKeyboard& raw)
{
    // A record with code 0 is unbound, and an event with code 0 carries a key
    // the platform has no code for: the two must not meet.
    if (raw.vKey == 0) {
        return;
    }
    if (raw.message == WM_KEYDOWN) {
        for (InputButton* button : keyboard.buttons) {
            if (button->code == raw.vKey) {
                PressButton(*button);
            }
        }
    } else if (raw.message == WM_KEYUP) {
        for (InputButton* button : keyboard.buttons) {
            if (button->code == raw.vKey) {
                ReleaseButton(*button);
            }
        }
    }
}

void MouseEvent(Mouse& mouse, const RawMouse& raw)
{
    mouse.x.total += static_cast<float>(raw.lastX);
    mouse.y.total += static_cast<float>(raw.lastY);
    if (raw.buttonFlags & RI_MOUSE_WHEEL) {
        mouse.wheel.total += static_cast<float>(static_cast<int16_t>(raw.buttonData));
    }
    // A press and a release of one button in the same event count as a press.
    for (InputButton* button : mouse.buttons) {
        if (raw.buttonFlags & button->downCode) {
            PressButton(*button);
        } else if (raw.buttonFlags & button->code) {
            ReleaseButton(*button);
        }
    }
}

void UpdateDelta(InputAxis& axis)
{
    axis.delta = axis.total - axis.previous;
    axis.previous = axis.total;
}

}  // namespace

int32_t InitInput(Input& input, const Settings& settings)
{
    lastResult = RegisterRawInput(input);
    if (lastResult < 0) {
        return lastResult;
    }
    BindConfiguredKeys(input.keyboard, settings);
    return 0;
}

int32_t RegisterRawInput(Input& input)
{
    WriteLog(true, L"Initializing RID objects... ");
    for (uint8_t i = 0; i < input.gamepads.size(); ++i) {
        Gamepad& pad = input.gamepads[i];
        MarkDisconnected(pad);
        pad.userIndex = i;
        PadState probe{};
        if (gamepadReader(i, &probe) == 0) {
            MarkConnected(pad);
        }
    }
    WriteLog(false, L"done!\n");
    return 0;
}

int32_t HandleInputMessage(Input& input, const Message& msg)
{
    if (msg.message == WM_KEYDOWN) {
        std::swprintf(messageBuffer, sizeof(messageBuffer) / sizeof(messageBuffer[0]), L" 0x%02X",
                      static_cast<unsigned>(msg.wParam & 0xFFFFFFFFu));
        WriteConsoleText(messageBuffer);
    } else if (msg.message == WM_INPUT) {
        switch (msg.raw.type) {
        case RIM_TYPEKEYBOARD:
            KeyboardEvent(input.keyboard, msg.raw.keyboard);
            break;
        case RIM_TYPEMOUSE:
            MouseEvent(input.mouse, msg.raw.mouse);
            break;
        case RIM_TYPEHID:
            for (Gamepad& pad : input.gamepads) {
                PollGamepad(pad);
            }
            break;
        default:
            break;
        }
    }
    return 0;
}

void EndInputFrame(Input& input)
{
    for (InputButton* button : input.mouse.buttons) {
        AdvanceButton(*button);
    }
    UpdateDelta(input.mouse.x);
    UpdateDelta(input.mouse.y);
    UpdateDelta(input.mouse.wheel);
    for (InputButton* button : input.keyboard.buttons) {
        AdvanceButton(*button);
    }
    for (Gamepad& pad : input.gamepads) {
        AdvanceGamepad(pad);
    }
}

void BindConfiguredKeys(Keyboard& keyboard, const Settings& settings)
{
    const struct {
        InputButton& record;
        int32_t value;
    } bindings[] = {
        {keyboard.forward, settings.kForward},   {keyboard.backward, settings.kBackward},
        {keyboard.left, settings.kLeft},         {keyboard.right, settings.kRight},
        {keyboard.sprint, settings.kSprint},     {keyboard.jump, settings.kJump},
        {keyboard.action, settings.kAction},     {keyboard.devConsole, settings.kDevConsole},
        {keyboard.snapshot, settings.kSnapshot}, {keyboard.pause, settings.kPause},
    };
    for (const auto& binding : bindings) {
        const uint32_t code = static_cast<uint32_t>(binding.value);
        BindButton(binding.record, code, VirtualKeyName(code));
    }
}
