// Frame clock and game states: measures the time between frames and decides,
// once per frame, which top-level state the game is in. Plain values that
// live in the application record for the whole run.
#pragma once

#include <cstdint>

struct DevConsole;
struct Keyboard;

// The values are not consecutive; they are part of the behaviour.
enum GameState : int32_t {
    Starting = 0,      // set early in start-up
    Ready = 4,         // every start-up step succeeded
    Running = 17,      // animation, player, physics and camera update
    QuitConfirm = 19,  // everything frozen; Escape again quits
    Paused = 21,       // simulation frozen, camera free
};

struct FrameClock {
    double previousReading = 0.0;                     // clock reading of the previous frame, ms
    double currentReading = 0.0;                      // clock reading of this frame, ms
    double frameSeconds = 0.0;                        // seconds between the two, whole milliseconds
    static constexpr double intervalLength = 1000.0;  // one measuring interval, ms
    double intervalStart = 0.0;                       // reading at which the current interval began
    int32_t framesThisInterval = 0;                   // frames counted in the current interval
    float currentFps = 0.0f;                          // frames per second of the last closed interval
    float maxFps = -1.0f;                             // highest currentFps since start; never reset
};

// Advances the clock to clockReading (milliseconds since process start).
void TickFrameClock(FrameClock& clock, double clockReading);

// The state machine of one frame: Escape, the pause key and the console key.
// Quitting posts the quit message; the state then stays as it is.
void UpdateGameState(GameState& state, const Keyboard& keyboard, DevConsole& console, bool debug);
