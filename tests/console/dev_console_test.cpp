#include <gtest/gtest.h>

#include "console/dev_console.h"

TEST(DevConsolePrint, StepPiecesFormOneLineAndOnlyLineFeedBreaks)
{
    DevConsole console;
    Print(console, L"Initializing RID objects... ");
    EXPECT_TRUE(console.lines.empty());
    EXPECT_EQ(console.pendingLine, L"Initializing RID objects... ");

    Print(console, L"done!\n");
    ASSERT_EQ(console.lines.size(), 1u);
    EXPECT_EQ(console.lines[0], L"Initializing RID objects... done!");
    EXPECT_TRUE(console.pendingLine.empty());

    Print(console, L"a\r\n\nb");
    ASSERT_EQ(console.lines.size(), 3u);
    EXPECT_EQ(console.lines[1], L"a\r");
    EXPECT_EQ(console.lines[2], L"");
    EXPECT_EQ(console.pendingLine, L"b");
}
