#include <gtest/gtest.h>

#include "app/game_state.h"
#include "console/dev_console.h"
#include "input/keyboard.h"
#include "platform/messages.h"

namespace {

// True when a quit message waits in the queue; empties the queue.
bool TakeQuitMessage()
{
    bool quit = false;
    Message msg;
    while (PeekMessage(&msg)) {
        quit = quit || msg.message == WM_QUIT;
    }
    return quit;
}

}  // namespace

TEST(FrameClock, MeasuresWholeMillisecondsAndClosesIntervalsOnAFixedGrid)
{
    FrameClock clock;
    TickFrameClock(clock, 100.0);
    TickFrameClock(clock, 100.7);  // same millisecond
    EXPECT_EQ(clock.frameSeconds, 0.0);

    TickFrameClock(clock, 2600.7);  // a 2.5 s frame closes the stale [0, 1000) interval
    EXPECT_DOUBLE_EQ(clock.frameSeconds, 2.5);
    EXPECT_EQ(clock.framesThisInterval, 0);
    EXPECT_EQ(clock.intervalStart, 1000.0);

    TickFrameClock(clock, 2610.0);  // the grid catches up one interval per frame
    EXPECT_EQ(clock.intervalStart, 2000.0);
    TickFrameClock(clock, 2620.0);
    EXPECT_EQ(clock.intervalStart, 2000.0);
    EXPECT_EQ(clock.framesThisInterval, 1);
}

TEST(FrameClock, SteadySixtyFramesASecondGiveAboutSixty)
{
    FrameClock clock;
    clock.intervalStart = 0.0;
    double reading = 0.0;
    int closed = 0;
    for (int frame = 1; frame <= 240; ++frame) {
        reading = frame * (1000.0 / 60.0);
        TickFrameClock(clock, reading);
        if (clock.framesThisInterval == 0) {
            ++closed;
            EXPECT_NEAR(clock.currentFps, 60.0f, 0.01f);
        } else {
            EXPECT_LE(clock.framesThisInterval, 60);
        }
    }
    EXPECT_GE(closed, 3);  // the fourth closes on the last frame or the next, by rounding
    EXPECT_NEAR(clock.maxFps, 60.0f, 0.01f);
}

struct TransitionCase {
    GameState from;
    bool escape;
    bool pause;
    bool consoleOpen;
    bool debug;
    GameState to;
    bool quits;
};

TEST(UpdateGameState, FollowsTheTransitionTable)
{
    const TransitionCase cases[] = {
        {Running, true, false, false, true, Running, true},
        {Running, true, false, false, false, QuitConfirm, false},
        {Running, true, true, false, false, QuitConfirm, false},  // Escape is tested first
        {Running, false, true, false, false, Paused, false},
        {Running, true, true, true, false, Running, false},  // console open: no transition
        {QuitConfirm, true, false, false, false, QuitConfirm, true},
        {QuitConfirm, false, true, false, false, QuitConfirm, false},
        {QuitConfirm, true, false, true, false, QuitConfirm, false},
        {Paused, true, false, false, true, Paused, true},
        {Paused, true, false, false, false, QuitConfirm, false},
        {Paused, false, true, false, false, Running, false},
        {Paused, false, true, true, false, Paused, false},
        {Starting, true, true, false, true, Starting, false},
        {Ready, true, true, false, false, Ready, false},
    };
    for (const TransitionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.from << " escape " << c.escape << " pause " << c.pause
                                        << " console " << c.consoleOpen << " debug " << c.debug);
        ClearMessageQueue();
        Keyboard keyboard;
        keyboard.escape.state = c.escape ? Pressed : Held;
        keyboard.pause.state = c.pause ? Pressed : Up;
        DevConsole console;
        console.enabled = true;
        console.open = c.consoleOpen;
        GameState state = c.from;
        UpdateGameState(state, keyboard, console, c.debug);
        EXPECT_EQ(state, c.to);
        EXPECT_EQ(TakeQuitMessage(), c.quits);
    }
}

TEST(UpdateGameState, ConsoleKeyTogglesAfterTheTransitionsOnlyWhenEnabled)
{
    ClearMessageQueue();
    Keyboard keyboard;
    keyboard.devConsole.state = Pressed;
    keyboard.escape.state = Pressed;

    DevConsole console;
    console.enabled = true;
    console.open = true;
    GameState state = Running;
    UpdateGameState(state, keyboard, console, false);
    EXPECT_EQ(state, Running);   // Escape ignored while the console was open
    EXPECT_FALSE(console.open);  // and the console key still closes it

    DevConsole disabled;
    UpdateGameState(state, keyboard, disabled, false);
    EXPECT_FALSE(disabled.open);
    EXPECT_EQ(state, QuitConfirm);
    ClearMessageQueue();
}
