#include "input/key_state.h"

#include <utility>

void PressButton(InputButton& button)
{
    if (button.state == Unavailable || button.state == Held) {
        return;
    }
    button.state = Pressed;
}

void ReleaseButton(InputButton& button)
{
    if (button.state == Unavailable) {
        return;
    }
    button.state = Released;
}

void PadReleaseButton(InputButton& button)
{
    if (button.state == Unavailable || button.state == Up) {
        return;
    }
    button.state = Released;
}

void AdvanceButton(InputButton& button)
{
    if (button.state == Pressed) {
        button.state = Held;
    } else if (button.state == Released) {
        button.state = Up;
    }
}

void BindButton(InputButton& button, uint32_t code, std::string name)
{
    button.code = static_cast<uint16_t>(code & 0xFFFFu);
    button.name = std::move(name);
}

bool IsDown(const InputButton& button)
{
    return button.state > Up;
}
