#include "core/ini_reader.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// A config file is a few kilobytes; past this the rest of the file is not
// read, so a stray huge file cannot exhaust memory.
constexpr size_t kMaxIniFileBytes = 16u * 1024u * 1024u;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

template <typename Char>
bool IsSpace(Char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

template <typename Char>
int DigitValue(Char c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = static_cast<int>(c - '0');
    else if (c >= 'a' && c <= 'f')
        v = static_cast<int>(c - 'a') + 10;
    else if (c >= 'A' && c <= 'F')
        v = static_cast<int>(c - 'A') + 10;
    return v < base ? v : -1;
}

std::string_view Trim(std::string_view s)
{
    size_t begin = 0;
    while (begin < s.size() && IsBlank(s[begin]))
        ++begin;
    size_t end = s.size();
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// Cuts UTF-8 text after maxChars characters without splitting a character.
std::string CutToCharacters(const std::string& text, size_t maxChars)
{
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0u) != 0x80u;
        if (startsCharacter) {
            if (chars == maxChars)
                return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

// Where a number's digits start: after leading blanks and an optional sign.
template <typename Char>
size_t SkipBlanksAndSign(std::basic_string_view<Char> text, bool* negative)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    *negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        *negative = text[i] == '-';
        ++i;
    }
    return i;
}

// Unsigned accumulation wraps modulo 2^32 like the platform's conversion;
// the sign is applied to the wrapped magnitude.
template <typename Char>
int32_t ParseInteger(std::basic_string_view<Char> text, bool allowHex, size_t* consumed)
{
    bool negative = false;
    size_t i = SkipBlanksAndSign(text, &negative);
    int base = 10;
    if (allowHex && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        DigitValue(text[i + 2], 16) >= 0) {
        base = 16;
        i += 2;
    }
    size_t digitsStart = i;
    uint32_t magnitude = 0;
    while (i < text.size()) {
        int digit = DigitValue(text[i], base);
        if (digit < 0)
            break;
        magnitude = magnitude * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
        ++i;
    }
    if (i == digitsStart) {
        if (consumed)
            *consumed = 0;
        return 0;
    }
    if (consumed)
        *consumed = i;
    uint32_t bits = negative ? 0u - magnitude : magnitude;
    return static_cast<int32_t>(bits);
}

template <typename Char>
float ParseFloat(std::basic_string_view<Char> text, size_t* consumed)
{
    if (consumed)
        *consumed = 0;
    bool negative = false;
    size_t i = SkipBlanksAndSign(text, &negative);

    // The longest prefix of the form digits [. digits] [e [sign] digits],
    // copied as ASCII so that the conversion itself never sees the locale.
    std::string number;
    size_t mantissaDigits = 0;
    while (i < text.size() && DigitValue(text[i], 10) >= 0) {
        number.push_back(static_cast<char>(text[i++]));
        ++mantissaDigits;
    }
    if (i < text.size() && text[i] == '.') {
        number.push_back('.');
        ++i;
        while (i < text.size() && DigitValue(text[i], 10) >= 0) {
            number.push_back(static_cast<char>(text[i++]));
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0.0f;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent.push_back(static_cast<char>(text[j++]));
        size_t exponentStart = j;
        while (j < text.size() && DigitValue(text[j], 10) >= 0)
            exponent.push_back(static_cast<char>(text[j++]));
        if (j > exponentStart) {
            number += exponent;
            i = j;
        }
    }
    if (consumed)
        *consumed = i;

    double value = 0.0;
    auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    (void)end;
    if (error != std::errc())
        return 0.0f;
    float narrowed = static_cast<float>(negative ? -value : value);
    return std::isfinite(narrowed) ? narrowed : 0.0f;
}

}  // namespace

IniFile ParseIni(std::string_view text)
{
    IniFile ini;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    IniSection* current = nullptr;
    while (!text.empty()) {
        size_t lineEnd = text.find('\n');
        std::string_view line = text.substr(0, lineEnd);
        text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;

        if (line[0] == '[') {
            size_t close = line.find(']');
            if (close == std::string_view::npos) {
                // A broken header must not let its keys land in the section above.
                current = nullptr;
                continue;
            }
            ini.sections.push_back(IniSection{std::string(Trim(line.substr(1, close - 1))), {}});
            current = &ini.sections.back();
            continue;
        }

        size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos)
            continue;
        std::string_view key = Trim(line.substr(0, equals));
        if (key.empty())
            continue;
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        current->entries.push_back(IniEntry{std::string(key), std::string(value)});
    }
    return ini;
}

IniFile LoadIniFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return IniFile{};
    std::string text;
    char chunk[4096];
    while (text.size() < kMaxIniFileBytes) {
        size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got == 0)
            break;
        text.append(chunk, got);
    }
    std::fclose(file);
    if (text.size() > kMaxIniFileBytes)
        text.resize(kMaxIniFileBytes);
    return ParseIni(text);
}

bool FindIniValue(const IniFile& ini, std::string_view section, std::string_view key, std::string& value)
{
    for (const IniSection& s : ini.sections) {
        if (!EqualNoCase(s.name, section))
            continue;
        // Only the first section of that name is searched.
        for (const IniEntry& e : s.entries) {
            if (EqualNoCase(e.key, key)) {
                value = CutToCharacters(e.value, kIniValueMaxLength);
                return true;
            }
        }
        return false;
    }
    return false;
}

std::string ReadIniString(const IniFile& ini, std::string_view section, std::string_view key,
                          std::string_view defaultText)
{
    std::string value;
    if (!FindIniValue(ini, section, key, value))
        value = CutToCharacters(std::string(defaultText), kIniValueMaxLength);
    return value;
}

int32_t ReadIniInt(const IniFile& ini, std::string_view section, std::string_view key, int32_t defaultValue)
{
    std::string value;
    if (!FindIniValue(ini, section, key, value) || value.empty())
        return defaultValue;
    return ParseProfileInt(value);
}

float ReadIniFloat(const IniFile& ini, std::string_view section, std::string_view key,
                   std::string_view defaultText)
{
    return ParseFloatText(ReadIniString(ini, section, key, defaultText));
}

int32_t ReadIniKeyCode(const IniFile& ini, std::string_view section, std::string_view key,
                       std::string_view defaultText)
{
    return ParseKeyCode(ReadIniString(ini, section, key, defaultText));
}

int32_t ParseProfileInt(std::string_view text)
{
    return ParseInteger(text, false, nullptr);
}

int32_t ParseKeyCode(std::string_view text, size_t* consumed)
{
    return ParseInteger(text, true, consumed);
}

int32_t ParseKeyCode(std::wstring_view text, size_t* consumed)
{
    return ParseInteger(text, true, consumed);
}

float ParseFloatText(std::string_view text, size_t* consumed)
{
    return ParseFloat(text, consumed);
}

float ParseFloatText(std::wstring_view text, size_t* consumed)
{
    return ParseFloat(text, consumed);
}
