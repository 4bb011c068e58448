// The input objects as one record and the entry points the application
// calls: start-up registration and bindings, one call per raw-input or
// key-down message, and the end-of-frame step. Lives for the whole process;
// nothing is unregistered or reset at shut-down.
#pragma once

#include "core/settings.h"
#include "input/gamepad.h"
#include "input/keyboard.h"
#include "platform/messages.h"

#include <array>
#include <cstdint>

struct Input {
    Mouse mouse;
    Keyboard keyboard;
    std::array<Gamepad, 4> gamepads;  // indexed by pad user index
};

// Start-up step: RegisterRawInput (its result also stored in lastResult);
// on success binds the configured keys and returns 0, on failure returns the
// result with nothing bound.
int32_t InitInput(Input& input, const Settings& settings);
// Logs "Initializing RID objects... ", probes the four pads (connected when
// they answer), logs "done!\n". The platform layer already delivers raw
// keyboard, mouse and pad messages, so there is nothing to refuse: returns 0.
int32_t RegisterRawInput(Input& input);
// WM_KEYDOWN: echoes " 0x%02X" of the key code to the debug console.
// WM_INPUT: keyboard downs and ups press and release the records with that
// code (system keys change nothing), mouse events move the axes and buttons,
// pad reports poll all four pads. Other messages change nothing. Returns 0.
// Handing key-downs to the open developer console is the caller's job.
int32_t HandleInputMessage(Input& input, const Message& msg);
// Last step of the frame: mouse buttons advance, mouse deltas are computed,
// keyboard records advance, connected pads advance.
void EndInputFrame(Input& input);
// Binds the ten configurable records in the order forward, backward, left,
// right, sprint, jump, action, devConsole, snapshot, pause.
void BindConfiguredKeys(Keyboard& keyboard, const Settings& settings);
