#include <gtest/gtest.h>

#include <cstdlib>

#include "core/fatal_error.h"
#include "core/result.h"
#include "core_test_support.h"
#include "platform/system.h"

namespace {

struct RecordedBox {
    PlatformWindow* owner;
    std::wstring text;
    std::wstring caption;
};

std::vector<RecordedBox>& RecordedBoxes()
{
    static std::vector<RecordedBox> boxes;
    return boxes;
}

void RecordBox(PlatformWindow* owner, const std::wstring& text, const std::wstring& caption)
{
    RecordedBoxes().push_back(RecordedBox{owner, text, caption});
}

class FatalErrorTest : public LogFixture {
protected:
    void SetUp() override
    {
        LogFixture::SetUp();
        setenv("VORLANDIS_NO_MESSAGE_BOXES", "1", 0);
        RecordedBoxes().clear();
        SetMessageBoxRecorder(RecordBox);
        messageBoxOwner = nullptr;
        lastResult = 12345;
    }
    void TearDown() override
    {
        SetMessageBoxRecorder(nullptr);
        messageBoxOwner = nullptr;
        LogFixture::TearDown();
    }
};

TEST(HresultText, KnownCodesAndFallbacks)
{
    struct Case {
        uint32_t code;
        const wchar_t* text;
    } cases[] = {
        {0x80004005u, L"Unspecified error"},
        {0x80004001u, L"Not implemented"},
        {0x8007000Eu, L"Not enough memory resources are available to complete this operation."},
        {0x80070057u, L"The parameter is incorrect."},
        {0x80070002u, L"The system cannot find the file specified."},
        {0x80040201u, L"IDispatch error #1"},
        {0x80040200u, L"Unknown error 0x80040200"},
        {0x8004FFFFu, L"IDispatch error #65023"},
        {0x80050000u, L"Unknown error 0x80050000"},
        {0x887A0001u, L"Unknown error 0x887A0001"},
        {0x8007001Cu, L"Unknown error 0x8007001C"},
        {1u, L"Unknown error 0x1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HresultText(ResultCode(c.code)), c.text) << std::hex << c.code;
}

TEST(FatalErrorMessage, EveryCodeHasItsTextAndOthersNone)
{
    const uint32_t withText[] = {0,    1,    2,    3,    4,    5,    6,    7,    8,    0x10, 0x12,
                                 0x13, 0x14, 0x15, 0x16, 0x17, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,
                                 0x26, 0x27, 0x30, 0x31, 0x32, 0x40, 0x41, 0x50, 0x51, 0x52};
    for (uint32_t code = 0; code <= 0x60; ++code) {
        bool listed = std::find(std::begin(withText), std::end(withText), code) != std::end(withText);
        std::wstring text = FatalErrorMessage(static_cast<FatalError>(code), E_FAIL_RESULT, L"Arial");
        EXPECT_EQ(!text.empty(), listed) << "code 0x" << std::hex << code;
        if (code >= 0x10 && listed) {
            const std::wstring tail = L"\nError code: Unspecified error (0x80004005)";
            ASSERT_GE(text.size(), tail.size());
            EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "code 0x" << std::hex << code;
        }
    }
    EXPECT_EQ(FatalErrorMessage(static_cast<FatalError>(0xFFFFFFFFu), E_FAIL_RESULT, L""), L"");
}

TEST(FatalErrorMessage, ExactTexts)
{
    struct Case {
        FatalError code;
        uint32_t result;
        const wchar_t* font;
        const wchar_t* text;
    } cases[] = {
        {DirectXInitFailed, 0x80004005u, L"",
         L"DirectX11 initialization failed! Program will now terminate."},
        {StartingFilesFailed, 0x80004005u, L"",
         L"Could not load starting files! Program will now terminate."},
        {SwapChainFailed, 0x80004005u, L"",
         L"Unable to create swapchain.\nError code: Unspecified error (0x80004005)"},
        {ModeListFailed, 0x80040201u, L"",
         L"Unable to fill output modes list.\nError code: IDispatch error #1 (0x80040201)"},
        {FontWrapperFailed, 0x80004001u, L"Consolas",
         L"Unable to create font wrapper for font \"Consolas\".\nError code: Not implemented (0x80004001)"},
        // A font name is text, never a format.
        {FontWrapperFailed, 0x80004005u, L"%s%X%n",
         L"Unable to create font wrapper for font \"%s%X%n\".\nError code: Unspecified error (0x80004005)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FatalErrorMessage(c.code, ResultCode(c.result), c.font), c.text);
}

TEST(FatalErrorMessage, LongTextIsCutToTheReportBuffer)
{
    std::wstring longName(2000, L'F');
    std::wstring text = FatalErrorMessage(FontWrapperFailed, E_FAIL_RESULT, longName);
    EXPECT_EQ(text.size(), 511u);
    EXPECT_EQ(text.substr(0, 39), L"Unable to create font wrapper for font ");
}

TEST_F(FatalErrorTest, FailureInsideAStepGivesTwoErrorLinesAndTwoBoxes)
{
    WriteLog(true, L"Initializing D3D11... ");
    EXPECT_FALSE(CheckStartupResult(lastResult, SwapChainFailed, E_FAIL_RESULT));
    EXPECT_EQ(lastResult, E_FAIL_RESULT);
    EXPECT_FALSE(CheckStartupResult(lastResult, DirectXInitFailed, E_FAIL_RESULT));

    ASSERT_EQ(RecordedBoxes().size(), 2u);
    EXPECT_EQ(RecordedBoxes()[0].owner, nullptr);
    EXPECT_EQ(RecordedBoxes()[0].caption, L"Error");
    EXPECT_EQ(RecordedBoxes()[0].text,
              L"Unable to create swapchain.\nError code: Unspecified error (0x80004005)");
    EXPECT_EQ(RecordedBoxes()[1].caption, L"Error");
    EXPECT_EQ(RecordedBoxes()[1].text, L"DirectX11 initialization failed! Program will now terminate.");

    EXPECT_TRUE(
        MatchesWhole(LogText(), std::string(kTimestampPattern) +
                                    "Initializing D3D11\\.\\.\\. ERROR: 0x80004005\r\nERROR: 0x80004005\r\n"))
        << LogText();
    EXPECT_EQ(std::wstring(messageBuffer), L"ERROR: 0x80004005\n");
}

TEST_F(FatalErrorTest, SuccessResultsAreStoredAndNotReported)
{
    for (int32_t result : {0, 1, 0x7FFFFFFF}) {
        EXPECT_TRUE(CheckStartupResult(lastResult, FontWrapperFailed, result, L"Arial"));
        EXPECT_EQ(lastResult, result);
    }
    EXPECT_TRUE(RecordedBoxes().empty());
    EXPECT_EQ(LogText(), "");
    EXPECT_TRUE(MirroredPieces().empty());
}

TEST_F(FatalErrorTest, FontFailureNamesTheFontAndUsesTheWindowAsOwner)
{
    PlatformWindow* fakeWindow = reinterpret_cast<PlatformWindow*>(&RecordedBoxes());
    messageBoxOwner = fakeWindow;
    EXPECT_FALSE(CheckStartupResult(lastResult, FontWrapperFailed, E_NOTIMPL_RESULT, L"Consolas"));
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_EQ(RecordedBoxes()[0].owner, fakeWindow);
    EXPECT_EQ(
        RecordedBoxes()[0].text,
        L"Unable to create font wrapper for font \"Consolas\".\nError code: Not implemented (0x80004001)");
    EXPECT_EQ(LogText(), "ERROR: 0x80004001\r\n");
}

TEST_F(FatalErrorTest, CodeWithoutMessageShowsAnEmptyBox)
{
    EXPECT_FALSE(CheckStartupResult(lastResult, static_cast<FatalError>(17), ResultCode(0x887A0001u)));
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_EQ(RecordedBoxes()[0].text, L"");
    EXPECT_EQ(LogText(), "ERROR: 0x887A0001\r\n");
}

TEST_F(FatalErrorTest, LogErrorCodeContinuesTheLineWithoutTimestamp)
{
    LogErrorCode(ResultCode(0x80070002u));
    LogErrorCode(-1);
    EXPECT_EQ(LogText(), "ERROR: 0x80070002\r\nERROR: 0xFFFFFFFF\r\n");
    EXPECT_EQ(MirroredPieces(), (std::vector<std::wstring>{L"ERROR: 0x80070002\n", L"ERROR: 0xFFFFFFFF\n"}));
}

}  // namespace
