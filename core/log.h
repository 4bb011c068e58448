// The debug log: the program's one channel for progress and error messages.
// A piece of text goes to log.txt (CR LF line ends, one byte per character,
// flushed at once), to the mirror the application installs (the developer
// console's output) and, in Debug mode, to the debug console (standard
// output). The log object lives for the whole process.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct DebugLog {
    FILE* file = nullptr;                                // log.txt; null until opened and after closing
    bool consoleEnabled = false;                         // Debug mode: standard output is the debug console
    float statusAccumulator = 0.0f;                      // seconds since the status line was last written
    void (*mirror)(const std::wstring& text) = nullptr;  // receives every logged piece
};

extern DebugLog debugLog;

// Creates or empties the log file. A file that cannot be opened leaves the
// log without a file; later writes to it then do nothing.
void OpenLogFile(const char* path);
void CloseLogFile();

// "[%H:%M:%S] " in local time.
std::wstring LogTimestamp();

// Writes text (with a timestamp before it in the file when withTimestamp) to
// every channel; returns the console write's result.
int32_t WriteLog(bool withTimestamp, const std::wstring& text);

// Text straight to the debug console; 0 when there is none.
int32_t WriteConsoleText(const std::wstring& text);

// Debug mode only: standard output becomes the debug console. Always 0.
int32_t CreateDebugConsole();
