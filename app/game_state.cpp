#include "app/game_state.h"

#include <cmath>

#include "console/dev_console.h"
#include "input/keyboard.h"
#include "platform/messages.h"

void TickFrameClock(FrameClock& clock, double clockReading)
{
    clock.previousReading = clock.currentReading;
    clock.currentReading = clockReading;
    clock.framesThisInterval += 1;

    const double elapsed = clock.currentReading - clock.previousReading;
    const int32_t wholeMilliseconds = static_cast<int32_t>(elapsed);
    clock.frameSeconds = std::abs(static_cast<double>(wholeMilliseconds)) / 1000.0;

    if (clock.currentReading >= clock.intervalStart + FrameClock::intervalLength) {
        const double overshoot =
            (clock.currentReading - (clock.intervalStart + FrameClock::intervalLength)) / elapsed;
        clock.currentFps = static_cast<float>(clock.framesThisInterval) - static_cast<float>(overshoot);
        clock.framesThisInterval = 0;
        clock.intervalStart += FrameClock::intervalLength;
        if (clock.currentFps > clock.maxFps) {
            clock.maxFps = clock.currentFps;
        }
    }
}

namespace {

// Escape while playing: quits at once in Debug mode, otherwise asks first.
void LeavePlay(GameState& state, bool debug)
{
    if (debug) {
        PostQuitMessage(0);
    } else {
        state = QuitConfirm;
    }
}

}  // namespace

void UpdateGameState(GameState& state, const Keyboard& keyboard, DevConsole& console, bool debug)
{
    const bool consoleClosed = !console.open;
    const bool escape = keyboard.escape.state == Pressed && consoleClosed;
    const bool pause = keyboard.pause.state == Pressed && consoleClosed;

    switch (state) {
    case Running:
        if (escape) {
            LeavePlay(state, debug);
        } else if (pause) {
            state = Paused;
        }
        break;
    case Paused:
        if (escape) {
            LeavePlay(state, debug);
        } else if (pause) {
            state = Running;
        }
        break;
    case QuitConfirm:
        if (escape) {
            PostQuitMessage(0);
        }
        break;
    default:
        break;
    }

    if (keyboard.devConsole.state == Pressed && console.enabled) {
        console.open = !console.open;
    }
}
