// The keyboard and mouse objects: the sixteen keyboard records (six fixed,
// ten bound from the configuration), the three mouse buttons and the mouse
// axes. Owns its records as members; the ordered button lists point at those
// members and own nothing. Not copyable, since the lists would dangle.
#pragma once

#include "input/key_state.h"

#include <array>

struct Keyboard {
    // Fixed records, named from their codes at construction.
    InputButton enter;      // 0x0D
    InputButton escape;     // 0x1B
    InputButton leftShift;  // 0xA0
    InputButton leftCtrl;   // 0xA2
    InputButton leftAlt;    // 0xA4
    InputButton space;      // 0x20
    // Bound at start-up by BindConfiguredKeys; code 0 and no name until then.
    InputButton devConsole;
    InputButton snapshot;
    InputButton pause;
    InputButton forward;
    InputButton backward;
    InputButton left;
    InputButton right;
    InputButton sprint;
    InputButton jump;
    InputButton action;

    std::array<InputButton*, 16> buttons;  // the records above, in that order

    Keyboard();
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;
};

struct Mouse {
    // code is the raw release flag, downCode the raw press flag.
    InputButton leftButton;    // 0x0002 / 0x0001
    InputButton middleButton;  // 0x0020 / 0x0010
    InputButton rightButton;   // 0x0008 / 0x0004

    std::array<InputButton*, 3> buttons;  // left, middle, right

    InputAxis x;      // relative motion counts, growing to the right
    InputAxis y;      // relative motion counts, growing downwards
    InputAxis wheel;  // 120 per notch, positive turning away from the user

    Mouse();
    Mouse(const Mouse&) = delete;
    Mouse& operator=(const Mouse&) = delete;
};
