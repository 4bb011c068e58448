// Gamepads fed by a scripted reader: connection, dead-zoned sticks, triggers,
// the pad release rule, and the start-up probe.
#include "input/input.h"

#include "core/fatal_error.h"
#include "core/log.h"
#include "core/result.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// What each user index answers; a pad is present when its flag is set.
struct ScriptedPads {
    bool present[4] = {};
    PadState state[4];
    std::vector<uint32_t> reads;  // user indices in the order they were read
};
ScriptedPads script;

uint32_t ScriptedReader(uint32_t userIndex, PadState* state)
{
    script.reads.push_back(userIndex);
    if (userIndex >= 4 || !script.present[userIndex]) {
        return ERROR_DEVICE_NOT_CONNECTED_CODE;
    }
    *state = script.state[userIndex];
    return 0;
}

std::wstring capturedLog;
void CaptureLog(const std::wstring& text)
{
    capturedLog += text;
}

class GamepadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        script = ScriptedPads{};
        gamepadReader = ScriptedReader;
        pad = std::make_unique<Gamepad>();
    }
    void TearDown() override { gamepadReader = ReadGamepadState; }

    // Polls pad 0 with the given state (connected).
    void Poll(const PadState& state)
    {
        script.present[0] = true;
        script.state[0] = state;
        PollGamepad(*pad);
    }

    std::unique_ptr<Gamepad> pad;
};

PadState Sticks(int16_t lx, int16_t ly, int16_t rx, int16_t ry)
{
    PadState state;
    state.thumbLX = lx;
    state.thumbLY = ly;
    state.thumbRX = rx;
    state.thumbRY = ry;
    return state;
}

PadState ButtonBits(uint16_t bits)
{
    PadState state;
    state.buttons = bits;
    return state;
}

TEST_F(GamepadTest, NewPadIsDisconnectedWithEveryButtonUnavailable)
{
    EXPECT_FALSE(pad->connected);
    EXPECT_EQ(pad->userIndex, 0);
    const char* names[16] = {"Left Trigger/L2", "Right Trigger/R2", "Left Bumper/L1", "Right Bumper/R1",
                             "Left Stick/L3",   "Right Stick/R3",   "A/Cross",        "B/Circle",
                             "X/Square",        "Y/Triangle",       "D-Pad Up",       "D-Pad Down",
                             "D-Pad Left",      "D-Pad Right",      "Start",          "Back/Select"};
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(pad->buttons[i]->state, Unavailable) << i;
        EXPECT_EQ(pad->buttons[i]->name, names[i]) << i;
        EXPECT_EQ(pad->buttons[i]->downCode, 0) << i;
    }
    EXPECT_EQ(pad->buttons[0], &pad->leftTrigger);
    EXPECT_EQ(pad->buttons[15], &pad->back);
    EXPECT_EQ(pad->leftStickX.total, 0.0f);
}

TEST_F(GamepadTest, EachButtonBitPressesItsOwnRecordOnly)
{
    const struct {
        uint16_t bit;
        InputButton Gamepad::*record;
    } cases[] = {
        {0x0100, &Gamepad::leftBumper}, {0x0200, &Gamepad::rightBumper}, {0x0040, &Gamepad::leftStick},
        {0x0080, &Gamepad::rightStick}, {0x1000, &Gamepad::buttonA},     {0x2000, &Gamepad::buttonB},
        {0x4000, &Gamepad::buttonX},    {0x8000, &Gamepad::buttonY},     {0x0001, &Gamepad::dpadUp},
        {0x0002, &Gamepad::dpadDown},   {0x0004, &Gamepad::dpadLeft},    {0x0008, &Gamepad::dpadRight},
        {0x0010, &Gamepad::start},      {0x0020, &Gamepad::back},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bit);
        pad = std::make_unique<Gamepad>();
        Poll(ButtonBits(c.bit));
        ASSERT_TRUE(pad->connected);
        const InputButton* target = &((*pad).*c.record);
        EXPECT_EQ(target->code, c.bit);
        for (InputButton* button : pad->buttons) {
            EXPECT_EQ(button->state, button == target ? Pressed : Up) << button->name;
        }
    }
}

TEST_F(GamepadTest, StickDeadZoneAndScaling)
{
    // Expected values: k * v with v = raw / 32768, m = min(|v|, 1),
    // k = (m - 0.25) / 0.75, worked out by hand.
    const struct {
        int16_t x, y;
        float outX, outY;
    } cases[] = {
        {8000, 0, 0.0f, 0.0f},          // inside the dead zone
        {8192, 0, 0.0f, 0.0f},          // exactly on its edge
        {5000, -5000, 0.0f, 0.0f},      // diagonal inside it
        {16384, 0, 1.0f / 6.0f, 0.0f},  // half deflection
        {0, -16384, 0.0f, -1.0f / 6.0f},
        {32767, 0, 0.9999288f, 0.0f},  // full deflection
        {-32768, 0, -1.0f, 0.0f},
        {6000, 6000, 0.0021851f, 0.0021851f},  // just past the edge diagonally
        {-20000, 12000, -0.3758025f, 0.2254815f},
        {32767, 32767, 0.9999695f, 0.9999695f},  // magnitude clamped: k = 1
        {-32768, -32768, -1.0f, -1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        // Left stick gets the case, right stick its mirror, to catch crossed axes.
        pad = std::make_unique<Gamepad>();
        Poll(Sticks(c.x, c.y, c.y, c.x));
        EXPECT_NEAR(pad->leftStickX.delta, c.outX, 2e-7);
        EXPECT_NEAR(pad->leftStickY.delta, c.outY, 2e-7);
        EXPECT_NEAR(pad->rightStickX.delta, c.outY, 2e-7);
        EXPECT_NEAR(pad->rightStickY.delta, c.outX, 2e-7);
        if (c.outX == 0.0f && c.outY == 0.0f) {
            EXPECT_EQ(pad->leftStickX.delta, 0.0f);
            EXPECT_EQ(pad->leftStickY.delta, 0.0f);
        }
    }
}

TEST_F(GamepadTest, FullDiagonalKeepsMagnitudeAboveOne)
{
    Poll(Sticks(-32768, 32767, 0, 0));
    const double magnitude = std::hypot(pad->leftStickX.delta, pad->leftStickY.delta);
    EXPECT_NEAR(magnitude, 1.41419, 1e-4);
}

TEST_F(GamepadTest, DeltaIsTheCurrentValueAndTotalsAccumulate)
{
    Poll(Sticks(16384, 0, 0, 0));
    Poll(Sticks(16384, 0, 0, 0));
    EXPECT_FLOAT_EQ(pad->leftStickX.delta, 1.0f / 6.0f);
    EXPECT_FLOAT_EQ(pad->leftStickX.total, 2.0f / 6.0f);
    Poll(Sticks(0, 0, 0, 0));
    EXPECT_EQ(pad->leftStickX.delta, 0.0f);
    EXPECT_FLOAT_EQ(pad->leftStickX.total, 2.0f / 6.0f);
}

TEST_F(GamepadTest, DeltaKeepsFullPrecisionWhenTheTotalIsLarge)
{
    // At 2^20 a float total resolves only 1/8: total - previous would read
    // 1/6 as 0.125 or 0.25.
    pad->leftStickX.total = pad->leftStickX.previous = 1048576.0f;
    Poll(Sticks(16384, 0, 0, 0));
    EXPECT_FLOAT_EQ(pad->leftStickX.delta, 1.0f / 6.0f);
    EXPECT_EQ(pad->leftStickX.previous, pad->leftStickX.total);
}

TEST_F(GamepadTest, AnyNonZeroTriggerIsDown)
{
    const struct {
        uint8_t left, right;
        KeyState leftState, rightState;
    } cases[] = {{0, 0, Up, Up}, {1, 0, Pressed, Up}, {0, 1, Up, Pressed}, {255, 128, Pressed, Pressed}};
    for (const auto& c : cases) {
        pad = std::make_unique<Gamepad>();
        PadState state;
        state.leftTrigger = c.left;
        state.rightTrigger = c.right;
        Poll(state);
        EXPECT_EQ(pad->leftTriggerValue, c.left);
        EXPECT_EQ(pad->rightTriggerValue, c.right);
        EXPECT_EQ(pad->leftTrigger.state, c.leftState) << int(c.left);
        EXPECT_EQ(pad->rightTrigger.state, c.rightState) << int(c.right);
    }
}

TEST_F(GamepadTest, PollsFollowThePadReleaseRule)
{
    auto input = std::make_unique<Input>();
    Gamepad& pad0 = input->gamepads[0];
    script.present[0] = true;
    Message hid;
    hid.message = WM_INPUT;
    hid.raw.type = RIM_TYPEHID;

    // Each step: button A down or not, polled, then optionally an end of frame.
    const struct {
        bool down;
        bool endFrame;
        KeyState afterPoll;
        KeyState afterFrame;
    } steps[] = {
        {false, false, Up, Up},  // first poll connects: Up, and an up report keeps Up
        {true, false, Pressed, Pressed},
        {true, true, Pressed, Held},  // two down polls in one frame stay Pressed
        {true, false, Held, Held},
        {false, false, Released, Released},
        {false, true, Released, Up},  // two up polls in one frame stay Released
        {false, true, Up, Up},
    };
    for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
        script.state[0] = ButtonBits(steps[i].down ? PAD_A : 0);
        HandleInputMessage(*input, hid);
        EXPECT_EQ(pad0.buttonA.state, steps[i].afterPoll) << "step " << i;
        if (steps[i].endFrame) {
            EndInputFrame(*input);
        }
        EXPECT_EQ(pad0.buttonA.state, steps[i].afterFrame) << "step " << i;
    }
}

TEST_F(GamepadTest, DisconnectKeepsAxesAndMakesButtonsUnavailable)
{
    PadState state = Sticks(0, 32767, 0, 0);
    state.buttons = PAD_B;
    state.rightTrigger = 200;
    Poll(state);
    ASSERT_TRUE(pad->connected);
    const float deflected = pad->leftStickY.delta;
    EXPECT_GT(deflected, 0.99f);

    script.present[0] = false;
    PollGamepad(*pad);
    EXPECT_FALSE(pad->connected);
    EXPECT_EQ(pad->leftStickY.delta, deflected);
    EXPECT_EQ(pad->rightTriggerValue, 200);
    for (InputButton* button : pad->buttons) {
        EXPECT_EQ(button->state, Unavailable) << button->name;
        EXPECT_FALSE(IsDown(*button));
    }
    AdvanceGamepad(*pad);
    EXPECT_EQ(pad->buttonB.state, Unavailable);

    // Plugged in again: buttons come back Up, then follow the report.
    Poll(ButtonBits(0));
    EXPECT_TRUE(pad->connected);
    EXPECT_EQ(pad->buttonB.state, Up);
    EXPECT_EQ(pad->leftStickY.delta, 0.0f);
}

TEST_F(GamepadTest, MarkConnectedAndDisconnectedActOnlyOnAChange)
{
    MarkConnected(*pad);
    pad->buttonA.state = Held;
    MarkConnected(*pad);  // already connected: states untouched
    EXPECT_EQ(pad->buttonA.state, Held);
    MarkDisconnected(*pad);
    EXPECT_EQ(pad->buttonA.state, Unavailable);
    pad->buttonA.state = Up;
    MarkDisconnected(*pad);  // already disconnected: nothing
    EXPECT_EQ(pad->buttonA.state, Up);
}

TEST_F(GamepadTest, PadReportPollsAllFourPadsInOrder)
{
    auto input = std::make_unique<Input>();
    for (uint8_t i = 0; i < 4; ++i)
        input->gamepads[i].userIndex = i;
    script.present[2] = true;
    script.state[2] = ButtonBits(PAD_START);
    Message hid;
    hid.message = WM_INPUT;
    hid.raw.type = RIM_TYPEHID;
    HandleInputMessage(*input, hid);
    EXPECT_EQ(script.reads, (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_TRUE(input->gamepads[2].connected);
    EXPECT_EQ(input->gamepads[2].start.state, Pressed);
    EXPECT_FALSE(input->gamepads[0].connected);

    // Keyboard, mouse and end-of-frame never poll.
    script.reads.clear();
    HandleInputMessage(*input, Message{});
    EndInputFrame(*input);
    EXPECT_TRUE(script.reads.empty());
    EXPECT_EQ(input->gamepads[2].start.state, Held);
}

TEST_F(GamepadTest, StartupProbesPadsLogsAndBindsKeys)
{
    auto input = std::make_unique<Input>();
    script.present[1] = true;
    script.present[3] = true;
    capturedLog.clear();
    debugLog.mirror = CaptureLog;
    lastResult = -1;
    Settings settings;
    settings.kForward = 0x26;
    const int32_t result = InitInput(*input, settings);
    debugLog.mirror = nullptr;

    EXPECT_EQ(result, 0);
    EXPECT_EQ(lastResult, 0);
    EXPECT_EQ(script.reads, (std::vector<uint32_t>{0, 1, 2, 3}));
    for (uint8_t i = 0; i < 4; ++i) {
        const Gamepad& p = input->gamepads[i];
        EXPECT_EQ(p.userIndex, i);
        EXPECT_EQ(p.connected, script.present[i]) << int(i);
        EXPECT_EQ(p.buttonA.state, script.present[i] ? Up : Unavailable) << int(i);
    }
    EXPECT_EQ(capturedLog.find(L"Initializing RID objects... "), 0u)
        << std::string(capturedLog.begin(), capturedLog.end());
    EXPECT_EQ(capturedLog.substr(capturedLog.size() - 6), L"done!\n");
    EXPECT_EQ(input->keyboard.forward.code, 0x26);
    EXPECT_EQ(input->keyboard.forward.name, "Up");
}

}  // namespace
