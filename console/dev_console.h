// Developer console: the drop-down command line's state, its output lines and
// its input history. Owns no graphics objects. Lives for the whole run;
// nothing here is ever freed, and output and history are never trimmed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DevConsole {
    bool enabled = false;               // may be opened; set once at start-up in Debug mode
    bool open = false;                  // inverted by the console key
    uint8_t visibleLines = 20;          // height of the output area in rows of 20 pixels
    std::vector<std::wstring> lines;    // completed output lines, oldest first
    std::wstring pendingLine;           // output after the last line break; not drawn yet
    std::vector<std::wstring> history;  // every submitted input line, oldest first
    std::wstring input;                 // the line being typed
    float openness = 0.0f;              // slide position: 0 hidden, 1 fully down
    double blinkTimer = 0.0;            // caret blink accumulator, seconds x 1.5
    int32_t cursor = 0;                 // insertion position in input, 0..input.size()
    int32_t historyIndex = 0;           // position in history for Up and Down
    bool caretVisible = false;
};

// Appends text to the output: every "\n" completes pendingLine as a new line;
// any other character, "\r" included, stays in the text.
void Print(DevConsole& console, const std::wstring& text);
