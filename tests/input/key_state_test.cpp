// The four edge-state rules over every state, and the construction of the
// keyboard and mouse records.
#include "input/input.h"

#include <gtest/gtest.h>

namespace {

struct RuleCase {
    KeyState from;
    KeyState afterPress;
    KeyState afterRelease;
    KeyState afterPadRelease;
    KeyState afterAdvance;
};

TEST(KeyStateRules, EveryRuleFromEveryState)
{
    const RuleCase cases[] = {
        {Unavailable, Unavailable, Unavailable, Unavailable, Unavailable},
        {Up, Pressed, Released, Up, Up},
        {Pressed, Pressed, Released, Released, Held},
        {Held, Held, Released, Released, Held},
        {Released, Pressed, Released, Released, Up},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.from));
        InputButton button;
        button.state = c.from;
        PressButton(button);
        EXPECT_EQ(button.state, c.afterPress);
        button.state = c.from;
        ReleaseButton(button);
        EXPECT_EQ(button.state, c.afterRelease);
        button.state = c.from;
        PadReleaseButton(button);
        EXPECT_EQ(button.state, c.afterPadRelease);
        button.state = c.from;
        AdvanceButton(button);
        EXPECT_EQ(button.state, c.afterAdvance);
    }
}

TEST(KeyStateRules, DownMeansAboveUpIncludingReleased)
{
    const struct {
        KeyState state;
        bool down;
    } cases[] = {{Unavailable, false}, {Up, false}, {Pressed, true}, {Held, true}, {Released, true}};
    for (const auto& c : cases) {
        InputButton button;
        button.state = c.state;
        EXPECT_EQ(IsDown(button), c.down) << static_cast<int>(c.state);
    }
}

TEST(KeyStateRules, BindKeepsLowBitsAndLeavesStateAlone)
{
    InputButton button;
    button.state = Held;
    BindButton(button, 0x12345u, "name");
    EXPECT_EQ(button.code, 0x2345);
    EXPECT_EQ(button.name, "name");
    EXPECT_EQ(button.state, Held);
    EXPECT_EQ(button.downCode, 0);
}

TEST(KeyboardRecords, FixedKeysNamedAndBoundKeysEmptyAtConstruction)
{
    Keyboard keyboard;
    const InputButton* expectedOrder[16] = {
        &keyboard.enter,   &keyboard.escape,  &keyboard.leftShift,  &keyboard.leftCtrl,
        &keyboard.leftAlt, &keyboard.space,   &keyboard.devConsole, &keyboard.snapshot,
        &keyboard.pause,   &keyboard.forward, &keyboard.backward,   &keyboard.left,
        &keyboard.right,   &keyboard.sprint,  &keyboard.jump,       &keyboard.action};
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(keyboard.buttons[i], expectedOrder[i]) << i;
        EXPECT_EQ(keyboard.buttons[i]->state, Up) << i;
        EXPECT_EQ(keyboard.buttons[i]->downCode, 0) << i;
    }
    const struct {
        const InputButton& record;
        uint16_t code;
        const char* name;
    } fixed[] = {
        {keyboard.enter, 0x0D, "Enter"},          {keyboard.escape, 0x1B, "Esc"},
        {keyboard.leftShift, 0xA0, "Left Shift"}, {keyboard.leftCtrl, 0xA2, "Left Ctrl"},
        {keyboard.leftAlt, 0xA4, "Left Alt"},     {keyboard.space, 0x20, "Space"},
    };
    for (const auto& f : fixed) {
        EXPECT_EQ(f.record.code, f.code);
        EXPECT_EQ(f.record.name, f.name);
    }
    for (size_t i = 6; i < 16; ++i) {
        EXPECT_EQ(keyboard.buttons[i]->code, 0) << i;
        EXPECT_TRUE(keyboard.buttons[i]->name.empty()) << i;
    }
}

TEST(MouseRecords, ButtonsCarryRawFlagsInLeftMiddleRightOrder)
{
    Mouse mouse;
    const struct {
        const InputButton* record;
        uint16_t code;
        uint16_t downCode;
        const char* name;
    } expected[3] = {
        {&mouse.leftButton, 0x0002, 0x0001, "Left Mouse Button"},
        {&mouse.middleButton, 0x0020, 0x0010, "Middle Mouse Button"},
        {&mouse.rightButton, 0x0008, 0x0004, "Right Mouse Button"},
    };
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(mouse.buttons[i], expected[i].record);
        EXPECT_EQ(mouse.buttons[i]->code, expected[i].code);
        EXPECT_EQ(mouse.buttons[i]->downCode, expected[i].downCode);
        EXPECT_EQ(mouse.buttons[i]->name, expected[i].name);
        EXPECT_EQ(mouse.buttons[i]->state, Up);
    }
    EXPECT_EQ(mouse.x.total, 0.0f);
    EXPECT_EQ(mouse.wheel.delta, 0.0f);
}

}  // namespace
