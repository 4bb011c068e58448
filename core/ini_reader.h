// INI reader: config.ini read once into memory and answered by section and
// key with the private-profile rules (case-insensitive names, first match
// wins, 31-character values, defaults for what is absent). Never writes a
// file. An IniFile owns its text; lookups return copies.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct IniEntry {
    std::string key;    // trimmed, as written
    std::string value;  // trimmed, surrounding double quotes removed, not yet cut
};

struct IniSection {
    std::string name;  // trimmed, as written
    std::vector<IniEntry> entries;
};

struct IniFile {
    std::vector<IniSection> sections;  // in file order; duplicates kept
};

// Longest value a lookup returns, in characters (a 32-character buffer with
// its terminator).
constexpr size_t kIniValueMaxLength = 31;

// Parses INI text. Lines end in LF or CR LF; ';' and '#' lines are comments;
// key lines before the first section header are ignored.
IniFile ParseIni(std::string_view text);

// Reads the file at path once (its first 16 MiB; a config file is a few
// kilobytes). A missing or unreadable file is an empty IniFile, so every
// lookup yields its default.
IniFile LoadIniFile(const std::string& path);

// The value of the first key named key in the first section named section
// (both compared without regard to ASCII case), cut to kIniValueMaxLength
// characters, into value; false (value untouched) when the section or key
// is absent.
bool FindIniValue(const IniFile& ini, std::string_view section, std::string_view key, std::string& value);

// The value's text, or defaultText when the key is absent.
std::string ReadIniString(const IniFile& ini, std::string_view section, std::string_view key,
                          std::string_view defaultText);

// Integer rule: the value's decimal number (ParseProfileInt); defaultValue
// when the key is absent or its value is empty ("Key=" keeps the default,
// "Key=x" gives 0).
int32_t ReadIniInt(const IniFile& ini, std::string_view section, std::string_view key, int32_t defaultValue);

// Float rule: ParseFloatText of the value, or of defaultText when absent.
float ReadIniFloat(const IniFile& ini, std::string_view section, std::string_view key,
                   std::string_view defaultText);

// Key-code rule: ParseKeyCode of the value, or of defaultText when absent.
int32_t ReadIniKeyCode(const IniFile& ini, std::string_view section, std::string_view key,
                       std::string_view defaultText);

// Optional blanks, optional sign, decimal digits up to the first non-digit,
// wrapping at 32 bits ("4294967297" is 1). No digits gives 0.
int32_t ParseProfileInt(std::string_view text);

// Optional blanks and sign, then "0x"/"0X" and hexadecimal digits or else
// decimal digits, up to the first character that is not a digit, wrapping at
// 32 bits. Text that does not start a number gives 0: a binding of key code
// 0 matches no key, so a mistyped binding is inert rather than a surprise.
// consumed, when given, receives the index just past the number (leading
// blanks and sign included), or 0 when the text does not start a number.
int32_t ParseKeyCode(std::string_view text, size_t* consumed = nullptr);
int32_t ParseKeyCode(std::wstring_view text, size_t* consumed = nullptr);

// Optional blanks, sign, digits, '.', exponent; conversion stops at the first
// character that does not fit and never looks at the process locale. Text
// without a number, and a value that is not finite once narrowed to float
// ("nan", "inf", "1e999", "1e39"), give 0.0. consumed as for ParseKeyCode.
float ParseFloatText(std::string_view text, size_t* consumed = nullptr);
float ParseFloatText(std::wstring_view text, size_t* consumed = nullptr);
