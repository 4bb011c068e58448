// The OS layer's process side: clocks, local time, the debug console
// (standard output), message boxes, and process and machine figures.
#pragma once

#include <cstdint>
#include <string>

struct PlatformWindow;

// Milliseconds of wall-clock time since the process started; monotonic.
double ClockMilliseconds();
// Milliseconds since an arbitrary start, like a tick count.
uint64_t TickCount64();
// Local time formatted with strftime.
std::string FormatLocalTime(const char* format);

// Writes UTF-8 of text to standard output. Returns 0, or the errno of the
// failed write (a closed pipe or terminal does not kill the process).
int32_t WriteStandardOutput(const std::wstring& text);
void WriteStandardError(const std::string& text);

// Shows a modal box with an OK button. The caption and text always go to
// standard error too; when no box can be shown (no display, offscreen
// driver, or VORLANDIS_NO_MESSAGE_BOXES set) the call returns at once as if
// the box had been closed.
void ShowMessageBox(PlatformWindow* owner, const std::wstring& text, const std::wstring& caption);

// Every box shown or skipped is also reported here when set (tests).
using MessageBoxRecorder = void (*)(PlatformWindow* owner, const std::wstring& text,
                                    const std::wstring& caption);
void SetMessageBoxRecorder(MessageBoxRecorder recorder);

// UTF-8 <-> wide text.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// Machine and process figures; 0 where the system cannot tell.
uint64_t TotalPhysicalMemory();
uint64_t ProcessWorkingSet();
