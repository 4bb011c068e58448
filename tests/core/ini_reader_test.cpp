#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cmath>

#include "core/ini_reader.h"

namespace {

TEST(IniNumbers, ProfileIntegersAreDecimalAndWrapAt32Bits)
{
    struct Case {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"42", 42},
        {"  -7", -7},
        {"\t+5", 5},
        {"12abc", 12},
        {"1.9", 1},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 3", 0},
        {"0x20", 0},        // no hexadecimal in the integer rule
        {"4294967297", 1},  // 2^32 + 1
        {"2147483648", INT32_MIN},
        {"-2147483649", INT32_MAX},
        {"99999999999999999999", 1661992959},  // 10^20 - 1 mod 2^32, hand-reduced
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseProfileInt(c.text), c.expected) << '"' << c.text << '"';
}

TEST(IniNumbers, KeyCodesTakeDecimalOrPrefixedHexadecimal)
{
    struct Case {
        const char* text;
        int32_t expected;
        size_t consumed;
    } cases[] = {
        {"32", 32, 2},  {"0x20", 32, 4}, {"0X1b", 27, 4}, {" 0xA0", 160, 5},      {"-0x10", -16, 5},
        {"65z", 65, 2}, {"0x", 0, 1},  // the "0" is the number, "x" ends it
        {"0xg", 0, 1},  {"abc", 0, 0},   {"", 0, 0},      {"0xFFFFFFFF", -1, 10}, {"0x100000001", 1, 11},
    };
    for (const Case& c : cases) {
        size_t consumed = 99;
        EXPECT_EQ(ParseKeyCode(std::string_view(c.text), &consumed), c.expected) << '"' << c.text << '"';
        EXPECT_EQ(consumed, c.consumed) << '"' << c.text << '"';
    }
    size_t consumed = 0;
    EXPECT_EQ(ParseKeyCode(std::wstring_view(L"0x57 rest"), &consumed), 0x57);
    EXPECT_EQ(consumed, 4u);
}

TEST(IniNumbers, FloatsStopAtTheFirstCharacterThatDoesNotFit)
{
    struct Case {
        const char* text;
        float expected;
        size_t consumed;
    } cases[] = {
        {".5", 0.5f, 2},  {"1024.0", 1024.0f, 6}, {" -2.5e2", -250.0f, 7}, {"+3", 3.0f, 2},
        {"5.", 5.0f, 2},  {"1.5abc", 1.5f, 3},    {"1,5", 1.0f, 1},        {"1e", 1.0f, 1},
        {"1e+", 1.0f, 1}, {"2E-1x", 0.2f, 4},     {"0x10", 0.0f, 1},       {"abc", 0.0f, 0},
        {".", 0.0f, 0},   {"", 0.0f, 0},          {"-", 0.0f, 0},
    };
    for (const Case& c : cases) {
        size_t consumed = 99;
        EXPECT_FLOAT_EQ(ParseFloatText(std::string_view(c.text), &consumed), c.expected)
            << '"' << c.text << '"';
        EXPECT_EQ(consumed, c.consumed) << '"' << c.text << '"';
    }
    EXPECT_FLOAT_EQ(ParseFloatText(std::wstring_view(L"-12.25 m")), -12.25f);
}

TEST(IniNumbers, NonFiniteFloatsBecomeZero)
{
    const char* texts[] = {"nan",    "NaN",      "inf",
                           "-inf",   "infinity", "1e999",
                           "-1e999", "1e39",     "340282356779733661637539395458142568448"};
    for (const char* text : texts) {
        float value = ParseFloatText(std::string_view(text));
        EXPECT_TRUE(std::isfinite(value)) << text;
        EXPECT_EQ(value, 0.0f) << text;
    }
    // The largest float itself is still finite.
    EXPECT_EQ(ParseFloatText(std::string_view("3.4028234e38")), 3.4028234e38f);
}

TEST(IniNumbers, FloatsIgnoreTheProcessLocale)
{
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    float dotted = ParseFloatText(std::string_view("1.5"));
    float comma = ParseFloatText(std::string_view("1,5"));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(dotted, 1.5f);
    EXPECT_EQ(comma, 1.0f);
}

const char* const kSampleIni =
    "\xEF\xBB\xBF"
    "Orphan=1\r\n"
    "; comment line\r\n"
    "  # another comment\r\n"
    "[ Display ]\r\n"
    "  WindowWidth = 800  \r\n"
    "windowwidth=640\r\n"
    "Quoted=\"  spaced  \"\r\n"
    "HalfQuote=\"x\r\n"
    "LoneQuote=\"\r\n"
    "NoEquals\r\n"
    "=novalue\r\n"
    "Empty=\r\n"
    "Long=0123456789abcdefghijklmnopqrstuvwxyzLONG\r\n"
    "Accents=\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
    "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
    "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
    "\xC3\xA9\xC3\xA9\xC3\xA9\n"
    "Equals=a=b\n"
    "[audio\n"
    "Stray=1\n"
    "[GAME]\n"
    "Debug=1\n"
    "[display]\n"
    "Later=1\n"
    "WindowHeight=600";  // last line without a line end

TEST(IniFileRules, LookupsFollowThePrivateProfileRules)
{
    IniFile ini = ParseIni(kSampleIni);
    struct Case {
        const char* section;
        const char* key;
        bool found;
        const char* value;
    } cases[] = {
        {"display", "WindowWidth", true, "800"},    // first occurrence, blanks trimmed
        {"DISPLAY", "WINDOWWIDTH", true, "800"},    // names without regard to case
        {"display", "Quoted", true, "  spaced  "},  // quotes removed, inner blanks kept
        {"display", "HalfQuote", true, "\"x"},
        {"display", "LoneQuote", true, "\""},
        {"display", "NoEquals", false, ""},
        {"display", "", false, ""},
        {"display", "Empty", true, ""},
        {"display", "Long", true, "0123456789abcdefghijklmnopqrstu"},  // 31 characters
        {"display", "Equals", true, "a=b"},
        {"display", "Later", false, ""},  // in a second [display]: never searched
        {"display", "WindowHeight", false, ""},
        {"display", "Orphan", false, ""},  // before any section
        {"audio", "Stray", false, ""},     // broken header opens no section
        {"display", "Stray", false, ""},   // ... and closes the one above
        {"game", "Debug", true, "1"},
        {"game", "debug", true, "1"},
        {"controls", "kJump", false, ""},
    };
    for (const Case& c : cases) {
        std::string value = "untouched";
        bool found = FindIniValue(ini, c.section, c.key, value);
        EXPECT_EQ(found, c.found) << c.section << "/" << c.key;
        EXPECT_EQ(value, c.found ? std::string(c.value) : std::string("untouched"))
            << c.section << "/" << c.key;
    }

    std::string accents;
    ASSERT_TRUE(FindIniValue(ini, "display", "Accents", accents));
    EXPECT_EQ(accents.size(), 62u) << "31 two-byte characters, none split";
}

TEST(IniFileRules, ReadersApplyDefaultsOnlyWhereTheKeyIsAbsent)
{
    IniFile ini = ParseIni("[s]\nEmpty=\nWord=abc\nNum=7\nKey=32\nReal=2.5\n");
    EXPECT_EQ(ReadIniInt(ini, "s", "Missing", 9), 9);
    EXPECT_EQ(ReadIniInt(ini, "s", "Empty", 9), 9);
    EXPECT_EQ(ReadIniInt(ini, "s", "Word", 9), 0);
    EXPECT_EQ(ReadIniInt(ini, "s", "Num", 9), 7);
    EXPECT_EQ(ReadIniKeyCode(ini, "s", "Missing", "0xA0"), 0xA0);
    EXPECT_EQ(ReadIniKeyCode(ini, "s", "Key", "0xA0"), 32);
    EXPECT_EQ(ReadIniKeyCode(ini, "s", "Word", "0xA0"), 0);
    EXPECT_EQ(ReadIniFloat(ini, "s", "Missing", ".5"), 0.5f);
    EXPECT_EQ(ReadIniFloat(ini, "s", "Empty", ".5"), 0.0f);
    EXPECT_EQ(ReadIniFloat(ini, "s", "Real", ".5"), 2.5f);
    EXPECT_EQ(ReadIniString(ini, "t", "Any", "fallback"), "fallback");
}

TEST(IniFileRules, MissingFileReadsAsEmpty)
{
    IniFile ini = LoadIniFile("/nonexistent-dir/config.ini");
    EXPECT_TRUE(ini.sections.empty());
    EXPECT_EQ(ReadIniInt(ini, "display", "WindowWidth", 1234), 1234);

    IniFile directory = LoadIniFile("/tmp");
    EXPECT_TRUE(directory.sections.empty());
}

}  // namespace
