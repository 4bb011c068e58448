// Test helpers for core/: a scratch directory per test and a capture of the
// debug log (its mirror pieces and its file). Everything is undone when the
// fixture is destroyed, so tests do not see each other's log state.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "core/log.h"

inline std::vector<std::wstring>& MirroredPieces()
{
    static std::vector<std::wstring> pieces;
    return pieces;
}

inline void RecordMirroredPiece(const std::wstring& text)
{
    MirroredPieces().push_back(text);
}

inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A fresh directory with log.txt open in it and the mirror recording.
class LogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vorlandis-core-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        logPath = dir + "/log.txt";
        saved = debugLog;
        debugLog = DebugLog{};
        MirroredPieces().clear();
        debugLog.mirror = RecordMirroredPiece;
        OpenLogFile(logPath.c_str());
        ASSERT_NE(debugLog.file, nullptr);
    }

    void TearDown() override
    {
        CloseLogFile();
        debugLog = saved;
        std::string command = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    std::string LogText() const { return ReadWholeFile(logPath); }

    std::string dir;
    std::string logPath;
    DebugLog saved;
};

// "[HH:MM:SS] " as a regular expression piece.
inline const char* kTimestampPattern = "\\[[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\] ";

inline bool MatchesWhole(const std::string& text, const std::string& pattern)
{
    return std::regex_match(text, std::regex(pattern));
}
