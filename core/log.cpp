#include "core/log.h"

#include "core/result.h"
#include "platform/system.h"

DebugLog debugLog;

namespace {

// The file holds one byte per character: characters above 255 cannot be
// narrowed and become '?'. "\n" is written as CR LF. Flushed at once so the
// file is complete up to the last piece even if the process dies next.
void WriteLogFile(const std::wstring& text)
{
    if (debugLog.file == nullptr)
        return;
    std::string bytes;
    bytes.reserve(text.size() + 8);
    for (wchar_t c : text) {
        if (c == L'\n') {
            bytes += "\r\n";
        } else {
            uint32_t code = static_cast<uint32_t>(c);
            bytes.push_back(code > 0xFFu ? '?' : static_cast<char>(code));
        }
    }
    std::fwrite(bytes.data(), 1, bytes.size(), debugLog.file);
    std::fflush(debugLog.file);
}

}  // namespace

void OpenLogFile(const char* path)
{
    CloseLogFile();
    debugLog.file = std::fopen(path, "wb");
}

void CloseLogFile()
{
    if (debugLog.file != nullptr) {
        std::fclose(debugLog.file);
        debugLog.file = nullptr;
    }
}

std::wstring LogTimestamp()
{
    std::string stamp = FormatLocalTime("[%H:%M:%S] ");
    return std::wstring(stamp.begin(), stamp.end());
}

int32_t WriteLog(bool withTimestamp, const std::wstring& text)
{
    std::wstring stamp = LogTimestamp();
    if (debugLog.consoleEnabled)
        WriteStandardOutput(stamp);
    if (withTimestamp)
        WriteLogFile(stamp);
    WriteLogFile(text);
    if (debugLog.mirror != nullptr)
        debugLog.mirror(text);
    return WriteConsoleText(text);
}

int32_t WriteConsoleText(const std::wstring& text)
{
    if (!debugLog.consoleEnabled)
        return 0;
    int32_t error = WriteStandardOutput(text);
    return error != 0 ? ResultFromErrorNumber(error) : 0;
}

int32_t CreateDebugConsole()
{
    debugLog.consoleEnabled = true;
    return 0;
}
