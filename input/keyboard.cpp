#include "input/keyboard.h"

#include "input/key_names.h"
#include "platform/messages.h"

namespace {

void NameFixedKey(InputButton& button, uint16_t code)
{
    BindButton(button, code, VirtualKeyName(code));
}

}  // namespace

Keyboard::Keyboard()
    : buttons{&enter, &escape,  &leftShift, &leftCtrl, &leftAlt, &space,  &devConsole, &snapshot,
              &pause, &forward, &backward,  &left,     &right,   &sprint, &jump,       &action}
{
    NameFixedKey(enter, 0x0D);
    NameFixedKey(escape, 0x1B);
    NameFixedKey(leftShift, 0xA0);
    NameFixedKey(leftCtrl, 0xA2);
    NameFixedKey(leftAlt, 0xA4);
    NameFixedKey(space, 0x20);
}

Mouse::Mouse() : buttons{&leftButton, &middleButton, &rightButton}
{
    leftButton.code = RI_MOUSE_LEFT_BUTTON_UP;
    leftButton.downCode = RI_MOUSE_LEFT_BUTTON_DOWN;
    leftButton.name = "Left Mouse Button";
    middleButton.code = RI_MOUSE_MIDDLE_BUTTON_UP;
    middleButton.downCode = RI_MOUSE_MIDDLE_BUTTON_DOWN;
    middleButton.name = "Middle Mouse Button";
    rightButton.code = RI_MOUSE_RIGHT_BUTTON_UP;
    rightButton.downCode = RI_MOUSE_RIGHT_BUTTON_DOWN;
    rightButton.name = "Right Mouse Button";
}
