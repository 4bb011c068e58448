#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/frame.h"
#include "app/window_proc.h"
#include "core/log.h"
#include "platform/messages.h"
#include "platform/system.h"

namespace {

Message KeyDown(uint64_t virtualKey)
{
    Message msg;
    msg.message = WM_KEYDOWN;
    msg.wParam = virtualKey;
    return msg;
}

// The window keys act on the one application record; each test starts it
// from a known state with a list of n entities (never dereferenced here).
void ResetShell(size_t entityCount)
{
    ClearMessageQueue();
    SetWindowProc(MainWindowProc);
    app.devConsole.open = false;
    app.overlayVisible = false;
    app.overlayPage = 0;
    app.physicsDebugVisible = false;
    app.cameraTargetIndex = 0;
    app.world.entities.assign(entityCount, nullptr);
}

}  // namespace

TEST(MessagePass, QuitInTheMiddleOfABatchStillDispatchesTheRest)
{
    ResetShell(10);
    PostPlatformMessage(KeyDown(0x75));  // F6
    PostQuitMessage(0);
    PostPlatformMessage(KeyDown(0x77));  // F8

    int32_t exitCode = -1;
    EXPECT_FALSE(RunMessagePass(exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(app.overlayVisible);
    EXPECT_TRUE(app.physicsDebugVisible);

    PostPlatformMessage(KeyDown(0x75));
    EXPECT_TRUE(RunMessagePass(exitCode));
    EXPECT_FALSE(app.overlayVisible);
    app.world.entities.clear();
}

TEST(MessagePass, KeyDownsReachTheKeyRecordsThroughRawInput)
{
    ResetShell(10);
    Message raw;
    raw.message = WM_INPUT;
    raw.raw.type = RIM_TYPEKEYBOARD;
    raw.raw.keyboard.vKey = 0x1B;
    raw.raw.keyboard.message = WM_KEYDOWN;
    PostPlatformMessage(raw);

    int32_t exitCode = 0;
    EXPECT_TRUE(RunMessagePass(exitCode));
    EXPECT_EQ(app.input.keyboard.escape.state, Pressed);
    EndInputFrame(app.input);
    EXPECT_EQ(app.input.keyboard.escape.state, Held);
    app.input.keyboard.escape.state = Up;
    app.world.entities.clear();
}

TEST(WindowProc, FixedKeysWrapAndStandBackWhileTheConsoleIsOpen)
{
    ResetShell(10);
    struct Step {
        uint64_t key;
        int32_t target;
        int32_t page;
    };
    const Step steps[] = {
        {0xBC, 9, 0},                // comma on entry 0 selects the last
        {0xBE, 0, 0},                // period on the last selects entry 0
        {0xBE, 1, 0}, {0x76, 1, 1},  // F7 cycles 0, 1, 2, 0
        {0x76, 1, 2}, {0x76, 1, 0},
    };
    for (const Step& step : steps) {
        MainWindowProc(nullptr, WM_KEYDOWN, step.key, 0);
        EXPECT_EQ(app.cameraTargetIndex, step.target) << std::hex << step.key;
        EXPECT_EQ(app.overlayPage, step.page) << std::hex << step.key;
    }

    app.world.entities.resize(12);  // spawned entities extend the cycle
    app.cameraTargetIndex = 11;
    MainWindowProc(nullptr, WM_KEYDOWN, 0xBE, 0);
    EXPECT_EQ(app.cameraTargetIndex, 0);

    app.devConsole.open = true;
    for (uint64_t key : {0x75u, 0x76u, 0x77u, 0xBCu, 0xBEu, 0x52u}) {
        MainWindowProc(nullptr, WM_KEYDOWN, key, 0);
    }
    EXPECT_FALSE(app.overlayVisible);
    EXPECT_EQ(app.overlayPage, 0);
    EXPECT_FALSE(app.physicsDebugVisible);
    EXPECT_EQ(app.cameraTargetIndex, 0);

    app.devConsole.open = false;
    EXPECT_EQ(MainWindowProc(nullptr, WM_DESTROY, 0, 0), 0);
    Message msg;
    ASSERT_TRUE(PeekMessage(&msg));
    EXPECT_EQ(msg.message, WM_QUIT);
    app.world.entities.clear();
}

TEST(StatusLine, RewritesTheCameraLineAboutTenTimesASecond)
{
    ResetShell(10);
    app.cameraTargetIndex = 1;
    debugLog.consoleEnabled = true;
    debugLog.statusAccumulator = 0.0f;

    testing::internal::CaptureStdout();
    app.frameSeconds = 0.05;
    UpdateStatusLine();  // 0.05 s: nothing yet
    app.frameSeconds = 0.06;
    UpdateStatusLine();
    const std::string out = testing::internal::GetCapturedStdout();
    debugLog.consoleEnabled = false;

    EXPECT_EQ(out, "\r" + std::string(37, ' ') + "\rCamera: 1 (entity 1) -- ");
    EXPECT_EQ(debugLog.statusAccumulator, 0.0f);
    app.world.entities.clear();
}

namespace {

std::vector<std::pair<std::wstring, std::wstring>> recordedBoxes;

void RecordBox(PlatformWindow*, const std::wstring& text, const std::wstring& caption)
{
    recordedBoxes.emplace_back(caption, text);
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// Runs the real start-up sequence in a folder without shaders: the shader
// step fails with its detailed box, then its own, and the game exits with 1
// without any shut-down line.
TEST(StartUp, FailingStepShowsBothBoxesAndExitsWithOne)
{
    const std::filesystem::path home = std::filesystem::current_path();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vorlandis-startup-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "config.ini") << "[display]\nWindowWidth=320\nWindowHeight=200\n";
    std::filesystem::current_path(dir);
    ClearMessageQueue();
    SetMessageBoxRecorder(RecordBox);

    const int exitCode = RunGame(1);

    SetMessageBoxRecorder(nullptr);
    std::filesystem::current_path(home);
    const std::string log = ReadFile(dir / "log.txt");
    std::filesystem::remove_all(dir);

    EXPECT_EQ(exitCode, 1);
    ASSERT_EQ(recordedBoxes.size(), 2u);
    EXPECT_EQ(recordedBoxes[0].first, L"Error");
    EXPECT_EQ(recordedBoxes[0].second.rfind(L"Unable to compile shader from file.\nError code: ", 0), 0u);
    EXPECT_EQ(recordedBoxes[1].second, L"Shaders initialization failed! Program will now terminate.");

    EXPECT_EQ(log.find("] ---> START OF DEBUG CONSOLE <---\r\n"), 9u);
    EXPECT_NE(log.find("] Loading config files... done!\r\n"), std::string::npos);
    EXPECT_NE(log.find("] Creating main window handle... done!\r\n"), std::string::npos);
    const size_t shaders = log.find("] Loading shaders... ERROR: 0x");
    ASSERT_NE(shaders, std::string::npos);
    EXPECT_EQ(log.find("ERROR: 0x", log.find("ERROR: 0x", shaders) + 1), log.rfind("ERROR: 0x"));
    EXPECT_EQ(log.find("END OF DEBUG CONSOLE"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
}
