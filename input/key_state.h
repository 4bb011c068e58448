// Key records: the edge state of one key or button and the running motion of
// one axis, with the press / release / advance rules every device shares.
// Plain values owned by the device record that holds them (Keyboard, Mouse,
// Gamepad); nothing here reads input or keeps global state.
#pragma once

#include <cstdint>
#include <string>

// The numeric order is part of the contract: "down" is any value above Up,
// so a key still reads as down on the frame it goes up.
enum KeyState : uint8_t {
    Unavailable = 0,  // device missing (buttons of a disconnected gamepad only)
    Up = 1,           // not down
    Pressed = 2,      // went down during the current frame
    Held = 3,         // down since an earlier frame
    Released = 4,     // went up during the current frame
};

struct InputButton {
    KeyState state = Up;
    std::string name;       // display name, 8-bit text; empty until bound
    uint16_t code = 0;      // keyboard: virtual-key code (0 = unbound); mouse: the
                            // raw release flag; gamepad: the pad button bit
    uint16_t downCode = 0;  // mouse: the raw press flag; 0 elsewhere
};

// Press: Unavailable and Held stay; Up, Pressed and Released become Pressed.
void PressButton(InputButton& button);
// Keyboard and mouse release: Unavailable stays; everything else, Up
// included, becomes Released.
void ReleaseButton(InputButton& button);
// Gamepad release (every poll reports each button that is not down):
// Unavailable and Up stay; Pressed, Held and Released become Released.
void PadReleaseButton(InputButton& button);
// End of frame: Pressed becomes Held, Released becomes Up, the rest stay.
void AdvanceButton(InputButton& button);
// Sets code to the low 16 bits of code and the name; the state is untouched.
void BindButton(InputButton& button, uint32_t code, std::string name);
// True for Pressed, Held and Released.
bool IsDown(const InputButton& button);

// One axis of relative motion. total is a plain float sum since start-up and
// is never reset; delta = total - previous as of the last end of frame (mouse)
// or the last poll (gamepad sticks).
struct InputAxis {
    float total = 0.0f;
    float previous = 0.0f;
    float delta = 0.0f;
};
