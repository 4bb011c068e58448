// One frame of the main loop: the message pass, the update of clock, state
// and simulation, the drawing passes and the end of the frame, in this order.
#pragma once

#include <cstdint>

struct Message;

// Empties the message queue. Returns false when a quit message was taken
// (its code in exitCode); every other message of the batch is still handled.
bool RunMessagePass(int32_t& exitCode);

// Clock, game state and the state's simulation, then BeginFrame.
void UpdateFrame();

// Drawing of the world: grid, entities, state banner.
void DrawFrame();

// Developer console, debug view, present, status line, end of the input frame.
void EndFrame();

// The debug console's status line: which entity the camera follows, at most
// ten times a second.
void UpdateStatusLine();

// The entry point's body: start-up, scene, loop, shut-down. Returns the exit
// code: the quit message's code, or 1 when start-up failed.
int RunGame(int showCommand);
