// Clocks, local time, standard output and error, message boxes, UTF-8
// conversion, and the machine's and the process's memory figures.
#include "platform/system.h"

#include "platform/window.h"
#include "platform/window_record.h"

#include <SDL.h>

#include <sys/sysinfo.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace {

using SteadyClock = std::chrono::steady_clock;

// Captured during static initialisation, before main runs.
const SteadyClock::time_point processStart = SteadyClock::now();

MessageBoxRecorder messageBoxRecorder = nullptr;

constexpr char32_t kReplacement = 0xFFFD;

void IgnoreBrokenPipeOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

// Writes all of bytes to fd, retrying interrupted and partial writes.
// Returns 0 or the errno of the write that failed.
int32_t WriteAll(int fd, const std::string& bytes)
{
    IgnoreBrokenPipeOnce();
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        done += size_t(written);
    }
    return 0;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool IsHighSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

double ClockMilliseconds()
{
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - processStart).count();
}

uint64_t TickCount64()
{
    return uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch()).count());
}

std::string FormatLocalTime(const char* format)
{
    if (format == nullptr || format[0] == '\0')
        return std::string();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr)
        return std::string();
    char buffer[256];
    const size_t length = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, length);
}

int32_t WriteStandardOutput(const std::wstring& text)
{
    return WriteAll(STDOUT_FILENO, ToUtf8(text));
}

void WriteStandardError(const std::string& text)
{
    WriteAll(STDERR_FILENO, text);
}

// The box blocks until the user closes it, so it is only shown where a user
// can see it: a real display, and not switched off for automated runs.
void ShowMessageBox(PlatformWindow* owner, const std::wstring& text, const std::wstring& caption)
{
    const std::string captionUtf8 = ToUtf8(caption);
    const std::string textUtf8 = ToUtf8(text);
    WriteStandardError(captionUtf8 + ": " + textUtf8 + "\n");
    if (messageBoxRecorder != nullptr)
        messageBoxRecorder(owner, text, caption);

    if (std::getenv("VORLANDIS_NO_MESSAGE_BOXES") != nullptr || !PlatformHasRealDisplay())
        return;
    SDL_Window* parent = nullptr;
    if (PlatformWindowExists(owner))
        parent = owner->sdlWindow;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, captionUtf8.c_str(), textUtf8.c_str(), parent);
}

void SetMessageBoxRecorder(MessageBoxRecorder recorder)
{
    messageBoxRecorder = recorder;
}

// Each wchar_t is a code point; a high and low surrogate next to each other
// (UTF-16 text carried in a wide string) are joined. Lone surrogates and
// values outside Unicode become U+FFFD.
std::string ToUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = char32_t(text[i]);
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(char32_t(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// Malformed input (stray continuation bytes, truncated or overlong
// sequences, surrogates, values above U+10FFFF) gives one U+FFFD per
// offending byte and decoding resumes at the next byte.
std::wstring FromUtf8(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        const unsigned char lead = (unsigned char)text[i];
        if (lead < 0x80) {
            out += wchar_t(lead);
            ++i;
            continue;
        }
        size_t length = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= size;
        for (size_t k = 1; valid && k < length; ++k) {
            const unsigned char next = (unsigned char)text[i + k];
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (next & 0x3F);
        }
        if (valid && (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out += wchar_t(kReplacement);
            ++i;
            continue;
        }
        out += wchar_t(c);
        i += length;
    }
    return out;
}

uint64_t TotalPhysicalMemory()
{
    struct sysinfo info {};
    if (sysinfo(&info) != 0)
        return 0;
    return uint64_t(info.totalram) * uint64_t(info.mem_unit);
}

uint64_t ProcessWorkingSet()
{
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr)
        return 0;
    unsigned long long sizePages = 0, residentPages = 0;
    const int fields = std::fscanf(file, "%llu %llu", &sizePages, &residentPages);
    std::fclose(file);
    if (fields != 2)
        return 0;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return 0;
    return uint64_t(residentPages) * uint64_t(pageSize);
}
