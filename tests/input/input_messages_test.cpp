// Keyboard and mouse driven through HandleInputMessage and EndInputFrame, the
// way the frame loop drives them.
#include "input/input.h"

#include "core/fatal_error.h"
#include "core/log.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

Message RawKey(uint16_t vKey, uint32_t kind)
{
    Message msg;
    msg.message = WM_INPUT;
    msg.raw.type = RIM_TYPEKEYBOARD;
    msg.raw.keyboard.vKey = vKey;
    msg.raw.keyboard.message = kind;
    return msg;
}

Message RawMouseEvent(uint16_t flags, uint16_t data = 0, int32_t dx = 0, int32_t dy = 0)
{
    Message msg;
    msg.message = WM_INPUT;
    msg.raw.type = RIM_TYPEMOUSE;
    msg.raw.mouse.buttonFlags = flags;
    msg.raw.mouse.buttonData = data;
    msg.raw.mouse.lastX = dx;
    msg.raw.mouse.lastY = dy;
    return msg;
}

// One step of a key sequence: 'D' key down, 'U' key up, 'd' system key down,
// 'u' system key up, 'E' end of frame; then the state expected afterwards.
struct Step {
    char op;
    KeyState expect;
};

struct SequenceCase {
    const char* what;
    std::vector<Step> steps;
};

TEST(KeyboardMessages, EdgeSequences)
{
    const SequenceCase cases[] = {
        {"tap within one frame", {{'D', Pressed}, {'U', Released}, {'E', Up}}},
        {"release of a key that is up", {{'U', Released}, {'E', Up}, {'E', Up}}},
        {"hold with auto-repeat",
         {{'D', Pressed}, {'D', Pressed}, {'E', Held}, {'D', Held}, {'E', Held}, {'U', Released}, {'E', Up}}},
        {"release then press in one frame",
         {{'D', Pressed}, {'E', Held}, {'U', Released}, {'D', Pressed}, {'E', Held}}},
        {"system keys change nothing",
         {{'d', Up}, {'u', Up}, {'D', Pressed}, {'E', Held}, {'u', Held}, {'d', Held}}},
    };
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto input = std::make_unique<Input>();
        BindConfiguredKeys(input->keyboard, Settings{});
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            switch (step.op) {
            case 'D':
                HandleInputMessage(*input, RawKey(0x57, WM_KEYDOWN));
                break;
            case 'U':
                HandleInputMessage(*input, RawKey(0x57, WM_KEYUP));
                break;
            case 'd':
                HandleInputMessage(*input, RawKey(0x57, WM_SYSKEYDOWN));
                break;
            case 'u':
                HandleInputMessage(*input, RawKey(0x57, WM_SYSKEYUP));
                break;
            case 'E':
                EndInputFrame(*input);
                break;
            default:
                FAIL() << "bad step";
            }
            EXPECT_EQ(input->keyboard.forward.state, step.expect) << "step " << i << " '" << step.op << "'";
        }
    }
}

TEST(KeyboardMessages, OnlyRecordsWithTheCodeChangeAndSharedCodesChangeTogether)
{
    auto input = std::make_unique<Input>();
    Settings settings;
    settings.kJump = 0x57;  // same key as forward
    BindConfiguredKeys(input->keyboard, settings);

    HandleInputMessage(*input, RawKey(0x57, WM_KEYDOWN));
    for (InputButton* button : input->keyboard.buttons) {
        const bool shared = button == &input->keyboard.forward || button == &input->keyboard.jump;
        EXPECT_EQ(button->state, shared ? Pressed : Up) << button->name;
    }
    HandleInputMessage(*input, RawKey(0x57, WM_KEYUP));
    EXPECT_EQ(input->keyboard.forward.state, Released);
    EXPECT_EQ(input->keyboard.jump.state, Released);

    // The default sprint binding shares its code with the fixed left Shift record.
    HandleInputMessage(*input, RawKey(0xA0, WM_KEYDOWN));
    EXPECT_EQ(input->keyboard.sprint.state, Pressed);
    EXPECT_EQ(input->keyboard.leftShift.state, Pressed);
    EXPECT_EQ(input->keyboard.escape.state, Up);
}

TEST(KeyboardMessages, CodeZeroNeverReachesUnboundRecords)
{
    auto input = std::make_unique<Input>();
    HandleInputMessage(*input, RawKey(0, WM_KEYDOWN));
    for (InputButton* button : input->keyboard.buttons) {
        EXPECT_EQ(button->state, Up) << button->name;
    }
    Settings settings;
    settings.kPause = 0x10000;  // binds code 0
    BindConfiguredKeys(input->keyboard, settings);
    HandleInputMessage(*input, RawKey(0, WM_KEYDOWN));
    EXPECT_EQ(input->keyboard.pause.state, Up);
}

TEST(KeyboardMessages, F10BindingNeverFiresBecauseItIsASystemKey)
{
    auto input = std::make_unique<Input>();
    Settings settings;
    settings.kAction = 0x79;
    BindConfiguredKeys(input->keyboard, settings);
    HandleInputMessage(*input, RawKey(0x79, WM_SYSKEYDOWN));
    HandleInputMessage(*input, RawKey(0x79, WM_SYSKEYUP));
    EXPECT_EQ(input->keyboard.action.state, Up);
}

TEST(KeyboardMessages, KeyDownEchoesTheCodeIntoTheMessageBuffer)
{
    auto input = std::make_unique<Input>();
    const struct {
        uint64_t vKey;
        const wchar_t* text;
    } cases[] = {{0x57, L" 0x57"}, {0x08, L" 0x08"}, {0xC0, L" 0xC0"}};
    for (const auto& c : cases) {
        Message msg;
        msg.message = WM_KEYDOWN;
        msg.wParam = c.vKey;
        EXPECT_EQ(HandleInputMessage(*input, msg), 0);
        EXPECT_EQ(std::wstring(messageBuffer), c.text);
    }
    // The legacy key-down only echoes; key records follow raw input alone.
    EXPECT_EQ(input->keyboard.escape.state, Up);
}

TEST(MouseMessages, ButtonFlags)
{
    const struct {
        const char* what;
        uint16_t flags;
        KeyState left, middle, right;
    } cases[] = {
        {"left down", 0x0001, Pressed, Up, Up},
        {"left up", 0x0002, Released, Up, Up},
        {"left down and up in one event", 0x0003, Pressed, Up, Up},
        {"middle down", 0x0010, Up, Pressed, Up},
        {"right down", 0x0004, Up, Up, Pressed},
        {"right up", 0x0008, Up, Up, Released},
        {"all three down", 0x0015, Pressed, Pressed, Pressed},
        {"side buttons and horizontal wheel ignored", 0x0040 | 0x0080 | 0x0100 | 0x0200 | 0x0800, Up, Up, Up},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto input = std::make_unique<Input>();
        HandleInputMessage(*input, RawMouseEvent(c.flags));
        EXPECT_EQ(input->mouse.leftButton.state, c.left);
        EXPECT_EQ(input->mouse.middleButton.state, c.middle);
        EXPECT_EQ(input->mouse.rightButton.state, c.right);
    }
}

TEST(MouseMessages, HeldButtonStaysHeldWhenAnEventCarriesBothFlags)
{
    auto input = std::make_unique<Input>();
    HandleInputMessage(*input, RawMouseEvent(RI_MOUSE_MIDDLE_BUTTON_DOWN));
    EndInputFrame(*input);
    HandleInputMessage(*input, RawMouseEvent(RI_MOUSE_MIDDLE_BUTTON_DOWN | RI_MOUSE_MIDDLE_BUTTON_UP));
    EXPECT_EQ(input->mouse.middleButton.state, Held);
    HandleInputMessage(*input, RawMouseEvent(RI_MOUSE_MIDDLE_BUTTON_UP));
    EXPECT_EQ(input->mouse.middleButton.state, Released);
    EndInputFrame(*input);
    EXPECT_EQ(input->mouse.middleButton.state, Up);
}

TEST(MouseMessages, MotionReachesDeltaOnlyAtTheEndOfTheFrame)
{
    auto input = std::make_unique<Input>();
    Mouse& mouse = input->mouse;
    HandleInputMessage(*input, RawMouseEvent(0, 0, 5, -7));
    HandleInputMessage(*input, RawMouseEvent(0, 0, -2, 3));
    EXPECT_EQ(mouse.x.total, 3.0f);
    EXPECT_EQ(mouse.y.total, -4.0f);
    EXPECT_EQ(mouse.x.delta, 0.0f);

    EndInputFrame(*input);
    EXPECT_EQ(mouse.x.delta, 3.0f);
    EXPECT_EQ(mouse.y.delta, -4.0f);

    EndInputFrame(*input);  // no motion: deltas fall to 0, totals stay
    EXPECT_EQ(mouse.x.delta, 0.0f);
    EXPECT_EQ(mouse.y.delta, 0.0f);
    EXPECT_EQ(mouse.x.total, 3.0f);
    EXPECT_EQ(mouse.y.total, -4.0f);

    HandleInputMessage(*input, RawMouseEvent(0, 0, 10, 0));
    EndInputFrame(*input);
    EXPECT_EQ(mouse.x.total, 13.0f);
    EXPECT_EQ(mouse.x.delta, 10.0f);
}

TEST(MouseMessages, WheelNotchesAreSigned16BitAndNeedTheWheelFlag)
{
    const struct {
        uint16_t flags;
        uint16_t data;
        float delta;
    } cases[] = {
        {RI_MOUSE_WHEEL, 120, 120.0f},          {RI_MOUSE_WHEEL, 0xFF88, -120.0f},  // -120 as 16 bits
        {RI_MOUSE_WHEEL, 0x8000, -32768.0f},    {RI_MOUSE_WHEEL | RI_MOUSE_LEFT_BUTTON_DOWN, 240, 240.0f},
        {RI_MOUSE_LEFT_BUTTON_DOWN, 120, 0.0f},  // data without the flag is no wheel motion
    };
    for (const auto& c : cases) {
        auto input = std::make_unique<Input>();
        HandleInputMessage(*input, RawMouseEvent(c.flags, c.data));
        EXPECT_EQ(input->mouse.wheel.delta, 0.0f);
        EndInputFrame(*input);
        EXPECT_EQ(input->mouse.wheel.delta, c.delta) << c.data;
        EndInputFrame(*input);
        EXPECT_EQ(input->mouse.wheel.delta, 0.0f);
        EXPECT_EQ(input->mouse.wheel.total, c.delta);
    }
}

TEST(MouseMessages, UnknownRawTypeAndOtherMessagesChangeNothing)
{
    auto input = std::make_unique<Input>();
    Message msg = RawMouseEvent(RI_MOUSE_LEFT_BUTTON_DOWN, 0, 4, 4);
    msg.raw.type = 7;
    EXPECT_EQ(HandleInputMessage(*input, msg), 0);
    msg.raw.type = RIM_TYPEMOUSE;
    msg.message = WM_CHAR;
    EXPECT_EQ(HandleInputMessage(*input, msg), 0);
    EXPECT_EQ(input->mouse.leftButton.state, Up);
    EXPECT_EQ(input->mouse.x.total, 0.0f);
}

}  // namespace
