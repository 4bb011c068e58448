// The virtual-key name table and the configured bindings that use it.
#include "input/input.h"
#include "input/key_names.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(VirtualKeyNames, UnnamedCodesAreExactlyTheListedOnes)
{
    std::set<uint32_t> unnamed = {0x07, 0x0A, 0x0B, 0x16, 0x1A, 0x5E, 0xB8, 0xB9, 0xE0, 0xE8};
    for (uint32_t c = 0x0E; c <= 0x12; ++c)
        unnamed.insert(c);
    for (uint32_t c = 0x3A; c <= 0x40; ++c)
        unnamed.insert(c);
    for (uint32_t c = 0x88; c <= 0x8F; ++c)
        unnamed.insert(c);
    for (uint32_t c = 0x97; c <= 0x9F; ++c)
        unnamed.insert(c);
    for (uint32_t c = 0xC3; c <= 0xDA; ++c)
        unnamed.insert(c);
    ASSERT_EQ(unnamed.size(), 63u);

    int named = 0;
    for (uint32_t code = 1; code <= 255; ++code) {
        const std::string name = VirtualKeyName(code);
        EXPECT_FALSE(name.empty()) << code;
        if (name == "???") {
            EXPECT_EQ(unnamed.count(code), 1u) << "unexpectedly unnamed: " << code;
        } else {
            EXPECT_EQ(unnamed.count(code), 0u) << "unexpectedly named: " << code;
            ++named;
        }
    }
    EXPECT_EQ(named, 192);
}

TEST(VirtualKeyNames, SelectedEntriesAndOutOfRangeCodes)
{
    const struct {
        uint32_t code;
        std::string name;
    } cases[] = {
        {0x00, "???"},
        {0x01, "Left Mouse Button"},
        {0x03, "Control-break"},
        {0x06, "X2 Mouse Button"},
        {0x0D, "Enter"},
        {0x1B, "Esc"},
        {0x1F, "Mode Change"},
        {0x20, "Space"},
        {0x2C, "Print Screen"},
        {0x2F, "Help"},
        {0x30, "0"},
        {0x39, "9"},
        {0x41, "A"},
        {0x5A, "Z"},
        {0x5F, "Sleep"},
        {0x60, "Numpad 0"},
        {0x69, "Numpad 9"},
        {0x6F, "Numpad /"},
        {0x70, "F1"},
        {0x79, "F10"},
        {0x87, "F24"},
        {0x96, "Roya"},
        {0xA5, "Right Alt"},
        {0xAC, "Browser Home"},
        {0xB3, "Play / Pause"},
        {0xB7, "App 2"},
        {0xBA, "OEM1 (:;)"},
        {0xC0, "OEM3 (~`)"},
        {0xC2, "Abnt C2"},
        {0xDC, "OEM5 (|)"},
        {0xDE, std::string("OEM7 (") + '"' + '\'' + ')'},
        {0xDF, std::string("OEM8 (") + '\xA7' + "!)"},
        {0xE2, "OEM102 (><)"},
        {0xE7, "Packet"},
        {0xE9, "Reset"},
        {0xFE, "OemClr"},
        {0xFF, "N/A"},
        {0x100, "???"},
        {0x10041, "???"},
        {0xFFFFFFFFu, "???"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualKeyName(c.code), c.name) << std::hex << c.code;
    }
    EXPECT_EQ(VirtualKeyName(0xDE).size(), 9u);
    EXPECT_EQ(VirtualKeyName(0xDF).size(), 9u);
}

TEST(Bindings, DefaultsGiveTheirCodesAndNames)
{
    Keyboard keyboard;
    const Settings settings;
    BindConfiguredKeys(keyboard, settings);
    const struct {
        const InputButton& record;
        uint16_t code;
        const char* name;
    } cases[] = {
        {keyboard.forward, 0x57, "W"},
        {keyboard.backward, 0x53, "S"},
        {keyboard.left, 0x41, "A"},
        {keyboard.right, 0x44, "D"},
        {keyboard.sprint, 0xA0, "Left Shift"},
        {keyboard.jump, 0x20, "Space"},
        {keyboard.action, 0x45, "E"},
        {keyboard.devConsole, 0xC0, "OEM3 (~`)"},
        {keyboard.snapshot, 0x7B, "F12"},
        {keyboard.pause, 0x50, "P"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.record.code, c.code) << c.name;
        EXPECT_EQ(c.record.name, c.name);
        EXPECT_EQ(c.record.state, Up);
    }
}

TEST(Bindings, UnusualSettingValues)
{
    const struct {
        int32_t value;
        uint16_t code;
        const char* name;
    } cases[] = {
        {0x10057, 0x57, "???"},  // above 0xFFFF: low bits bound, name from the full value
        {0x10, 0x10, "???"},     // a code without a name binds normally
        {0x79, 0x79, "F10"},    {-1, 0xFFFF, "???"}, {0, 0, "???"},
    };
    for (const auto& c : cases) {
        Keyboard keyboard;
        Settings settings;
        settings.kForward = c.value;
        BindConfiguredKeys(keyboard, settings);
        EXPECT_EQ(keyboard.forward.code, c.code) << c.value;
        EXPECT_EQ(keyboard.forward.name, c.name) << c.value;
    }
}

}  // namespace
