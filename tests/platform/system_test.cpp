// Clocks, UTF-8 conversion, standard output on a closed pipe, message
// boxes without a display, and the memory figures.
#include "platform/system.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Clock, MillisecondsAdvanceWithWallTime)
{
    const double start = ClockMilliseconds();
    const uint64_t startTicks = TickCount64();
    EXPECT_GE(start, 0.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double elapsed = ClockMilliseconds() - start;
    EXPECT_GE(elapsed, 30.0);
    EXPECT_LT(elapsed, 3000.0);
    EXPECT_GE(TickCount64() - startTicks, 29u);
}

TEST(Clock, LocalTimeFollowsTheFormat)
{
    const std::string stamp = FormatLocalTime("[%H:%M:%S] ");
    ASSERT_EQ(stamp.size(), 11u) << stamp;
    EXPECT_EQ(stamp[0], '[');
    EXPECT_EQ(stamp[3], ':');
    EXPECT_EQ(stamp[6], ':');
    EXPECT_EQ(stamp.substr(9), "] ");
    EXPECT_EQ(FormatLocalTime(""), "");
    EXPECT_EQ(FormatLocalTime(nullptr), "");
}

TEST(Utf8, RoundTripsEveryPlane)
{
    const struct {
        std::wstring wide;
        std::string utf8;
    } cases[] = {
        {L"", ""},
        {L"Vorlandis", "Vorlandis"},
        {std::wstring(1, wchar_t(0xE9)), "\xC3\xA9"},
        {std::wstring(1, wchar_t(0x20AC)), "\xE2\x82\xAC"},
        {std::wstring(1, wchar_t(0x1F600)), "\xF0\x9F\x98\x80"},
        {std::wstring(1, wchar_t(0x10FFFF)), "\xF4\x8F\xBF\xBF"},
        {std::wstring(1, wchar_t(0)), std::string(1, '\0')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf8(c.wide), c.utf8);
        EXPECT_EQ(FromUtf8(c.utf8), c.wide);
    }
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters)
{
    const std::wstring fffd(1, wchar_t(0xFFFD));
    const struct {
        std::string utf8;
        std::wstring wide;
    } decode[] = {
        {"\x80", fffd},                                   // stray continuation byte
        {"a\xC3", L"a" + fffd},                           // truncated at the end
        {"\xC3(", fffd + L"("},                           // continuation missing
        {"\xC0\xAF", fffd + fffd},                        // overlong '/'
        {"\xED\xA0\x80", fffd + fffd + fffd},             // encoded surrogate
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // above U+10FFFF
        {"\xFF", fffd},
    };
    for (const auto& c : decode)
        EXPECT_EQ(FromUtf8(c.utf8), c.wide) << "input of " << c.utf8.size() << " bytes";

    // UTF-16 surrogate pairs inside a wide string are joined; lone
    // surrogates and values beyond Unicode are replaced.
    const std::wstring pair = {wchar_t(0xD83D), wchar_t(0xDE00)};
    EXPECT_EQ(ToUtf8(pair), "\xF0\x9F\x98\x80");
    const std::wstring lone = {wchar_t(0xDC00), L'x', wchar_t(0xD800)};
    EXPECT_EQ(ToUtf8(lone), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(std::wstring(1, wchar_t(0x110000))), "\xEF\xBF\xBD");
}

// Standard output redirected into a pipe for the test's duration.
class StdoutPipe {
public:
    StdoutPipe()
    {
        EXPECT_EQ(pipe(fds), 0);
        saved = dup(STDOUT_FILENO);
        dup2(fds[1], STDOUT_FILENO);
    }
    ~StdoutPipe()
    {
        dup2(saved, STDOUT_FILENO);
        close(saved);
        close(fds[1]);
        if (fds[0] >= 0)
            close(fds[0]);
    }
    std::string Read()
    {
        char buffer[256];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, size_t(n)) : std::string();
    }
    void CloseReader()
    {
        close(fds[0]);
        fds[0] = -1;
    }

private:
    int fds[2] = {-1, -1};
    int saved = -1;
};

TEST(StandardOutput, WritesUtf8AndSurvivesAClosedReader)
{
    StdoutPipe out;
    EXPECT_EQ(WriteStandardOutput(L"caf\u00E9 \u20AC\n"), 0);
    EXPECT_EQ(out.Read(), "caf\xC3\xA9 \xE2\x82\xAC\n");

    // Nobody reads any more: the write fails with EPIPE and the process
    // lives on, whether or not InitPlatform has run.
    out.CloseReader();
    EXPECT_EQ(WriteStandardOutput(L"lost"), EPIPE);
    EXPECT_EQ(WriteStandardOutput(L"lost again"), EPIPE);
}

TEST(StandardOutput, ClosedDescriptorReportsItsError)
{
    const int saved = dup(STDOUT_FILENO);
    close(STDOUT_FILENO);
    const int32_t result = WriteStandardOutput(L"nowhere");
    dup2(saved, STDOUT_FILENO);
    close(saved);
    EXPECT_EQ(result, EBADF);
}

struct RecordedBox {
    PlatformWindow* owner;
    std::wstring text;
    std::wstring caption;
};
std::vector<RecordedBox> recordedBoxes;

void RecordBox(PlatformWindow* owner, const std::wstring& text, const std::wstring& caption)
{
    recordedBoxes.push_back({owner, text, caption});
}

TEST(MessageBox, IsRecordedAndReturnsWithoutADisplay)
{
    ASSERT_TRUE(InitPlatform());
    WindowDesc desc;
    desc.width = 64;
    desc.height = 64;
    desc.visible = false;
    PlatformWindow* window = CreatePlatformWindow(desc);
    ASSERT_NE(window, nullptr);

    recordedBoxes.clear();
    SetMessageBoxRecorder(&RecordBox);
    testing::internal::CaptureStderr();
    // The switch is off here, so only the offscreen driver keeps the box away.
    const char* saved = std::getenv("VORLANDIS_NO_MESSAGE_BOXES");
    const std::string savedValue = saved != nullptr ? saved : "";
    unsetenv("VORLANDIS_NO_MESSAGE_BOXES");
    ShowMessageBox(window, L"Shaders initialization failed! Program will now terminate.", L"Error");
    ShowMessageBox(nullptr, L"no owner \u20AC", L"Error");
    if (saved != nullptr)
        setenv("VORLANDIS_NO_MESSAGE_BOXES", savedValue.c_str(), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    SetMessageBoxRecorder(nullptr);
    DestroyPlatformWindow(window);

    ASSERT_EQ(recordedBoxes.size(), 2u);
    EXPECT_EQ(recordedBoxes[0].owner, window);
    EXPECT_EQ(recordedBoxes[0].caption, L"Error");
    EXPECT_EQ(recordedBoxes[0].text, L"Shaders initialization failed! Program will now terminate.");
    EXPECT_EQ(recordedBoxes[1].owner, nullptr);
    EXPECT_EQ(err,
              "Error: Shaders initialization failed! Program will now terminate.\n"
              "Error: no owner \xE2\x82\xAC\n");
}

TEST(MemoryFigures, AreNonZeroAndConsistent)
{
    const uint64_t total = TotalPhysicalMemory();
    const uint64_t before = ProcessWorkingSet();
    EXPECT_GT(total, 0u);
    EXPECT_GT(before, 0u);
    EXPECT_LT(before, total);

    // Touching 64 MiB makes it resident.
    const size_t bytes = size_t(64) << 20;
    std::vector<char> block(bytes, 1);
    const uint64_t after = ProcessWorkingSet();
    EXPECT_GE(after, before + bytes / 2);
    EXPECT_EQ(block[bytes - 1], 1);
}

}  // namespace
