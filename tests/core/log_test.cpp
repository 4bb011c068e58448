#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "core/log.h"
#include "core/result.h"
#include "core_test_support.h"

namespace {

// Points standard output at a file of the test's choosing and restores it.
class StdoutRedirect {
public:
    explicit StdoutRedirect(const std::string& path, int flags = O_WRONLY | O_CREAT | O_TRUNC)
    {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        int fd = open(path.c_str(), flags, 0600);
        EXPECT_GE(fd, 0) << path;
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    ~StdoutRedirect()
    {
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }

private:
    int saved = -1;
};

using LogTest = LogFixture;

TEST_F(LogTest, TimestampIsBracketedLocalTimeAndASpace)
{
    std::wstring stamp = LogTimestamp();
    EXPECT_TRUE(MatchesWhole(std::string(stamp.begin(), stamp.end()), kTimestampPattern));
}

TEST_F(LogTest, StepLineContinuesWithoutTimestampAndEndsInCrLf)
{
    WriteLog(true, L"Initializing physics... ");
    WriteLog(false, L"done!\n");
    WriteLog(true, L"two\nlines\n");
    EXPECT_TRUE(MatchesWhole(LogText(), std::string(kTimestampPattern) +
                                            "Initializing physics\\.\\.\\. done!\r\n" + kTimestampPattern +
                                            "two\r\nlines\r\n"))
        << LogText();
    EXPECT_EQ(MirroredPieces(),
              (std::vector<std::wstring>{L"Initializing physics... ", L"done!\n", L"two\nlines\n"}));
}

TEST_F(LogTest, EveryPieceIsOnDiskBeforeTheCallReturns)
{
    WriteLog(false, L"abc");
    EXPECT_EQ(LogText(), "abc");
    WriteLog(false, L"\n");
    EXPECT_EQ(LogText(), "abc\r\n");
}

TEST_F(LogTest, CharactersAreWrittenOneByteEach)
{
    WriteLog(false, std::wstring(L"caf\u00E9 \u20AC \U0001F600 ") + L'\x7F');
    EXPECT_EQ(LogText(), "caf\xE9 ? ? \x7F");
}

TEST_F(LogTest, OpeningEmptiesTheFileOfThePreviousRun)
{
    WriteLog(true, L"first run\n");
    CloseLogFile();
    EXPECT_EQ(debugLog.file, nullptr);
    OpenLogFile(logPath.c_str());
    WriteLog(false, L"second run\n");
    EXPECT_EQ(LogText(), "second run\r\n");
}

TEST_F(LogTest, UnopenableFileLeavesTheOtherChannelsWorking)
{
    CloseLogFile();
    OpenLogFile((dir + "/missing-dir/log.txt").c_str());
    EXPECT_EQ(debugLog.file, nullptr);
    EXPECT_EQ(WriteLog(true, L"still mirrored\n"), 0);
    EXPECT_EQ(MirroredPieces(), std::vector<std::wstring>{L"still mirrored\n"});
    CloseLogFile();
}

TEST_F(LogTest, WithoutConsoleNothingReachesStandardOutput)
{
    std::string outPath = dir + "/stdout.txt";
    {
        StdoutRedirect redirect(outPath);
        EXPECT_EQ(WriteLog(true, L"quiet... "), 0);
        EXPECT_EQ(WriteConsoleText(L"echo"), 0);
    }
    EXPECT_EQ(ReadWholeFile(outPath), "");
}

TEST_F(LogTest, ConsoleShowsTheTimestampBeforeEveryPiece)
{
    EXPECT_EQ(CreateDebugConsole(), 0);
    EXPECT_TRUE(debugLog.consoleEnabled);
    std::string outPath = dir + "/stdout.txt";
    {
        StdoutRedirect redirect(outPath);
        EXPECT_EQ(WriteLog(true, L"Initializing D3D11... "), 0);
        EXPECT_EQ(WriteLog(false, L"done!\n"), 0);
        EXPECT_EQ(WriteConsoleText(L"\u00E9"), 0);
    }
    EXPECT_TRUE(MatchesWhole(ReadWholeFile(outPath), std::string(kTimestampPattern) +
                                                         "Initializing D3D11\\.\\.\\. " + kTimestampPattern +
                                                         "done!\n\xC3\xA9"))
        << ReadWholeFile(outPath);
    // The timestamp that went to the console does not reach the mirror.
    EXPECT_EQ(MirroredPieces(), (std::vector<std::wstring>{L"Initializing D3D11... ", L"done!\n"}));
}

TEST_F(LogTest, FailedConsoleWriteReturnsTheErrorAsAResult)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "/dev/full not available";
    CreateDebugConsole();
    StdoutRedirect redirect("/dev/full", O_WRONLY);
    // ENOSPC (28) becomes 0x8007001C.
    EXPECT_EQ(WriteConsoleText(L"x"), ResultCode(0x8007001Cu));
    EXPECT_EQ(WriteLog(false, L"y"), ResultCode(0x8007001Cu));
}

}  // namespace
