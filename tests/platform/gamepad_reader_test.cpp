// Controllers plugged in and out through SDL's virtual joysticks, read
// back through the message queue and the gamepad reader.
#include "platform/gamepad_reader.h"
#include "platform/messages.h"
#include "platform/window.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kNotConnected = 1167;

// A virtual controller; its buttons and axes follow SDL's controller
// button and axis order. The test keeps its own joystick handle to drive it.
struct VirtualPad {
    int deviceIndex = -1;
    SDL_Joystick* joystick = nullptr;

    bool Attach()
    {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "virtual pad";
        deviceIndex = SDL_JoystickAttachVirtualEx(&desc);
        if (deviceIndex < 0)
            return false;
        joystick = SDL_JoystickOpen(deviceIndex);
        return joystick != nullptr;
    }

    void Detach()
    {
        const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
        SDL_JoystickClose(joystick);
        joystick = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id)
                SDL_JoystickDetachVirtual(i);
    }
};

// Empties the queue, returning how many HID notifications it held.
int DrainHidMessages()
{
    int count = 0;
    Message msg;
    while (PeekMessage(&msg))
        if (msg.message == WM_INPUT && msg.raw.type == RIM_TYPEHID)
            ++count;
    return count;
}

class GamepadReaderTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitPlatform());
        ASSERT_NE(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
        DrainHidMessages();
    }
    void TearDown() override { ClearMessageQueue(); }
};

TEST_F(GamepadReaderTest, EmptySlotsAndBadIndicesAreNotConnected)
{
    PadState state;
    state.buttons = 0xBEEF;
    for (uint32_t index : {0u, 1u, 2u, 3u, 4u, 0xFFFFFFFFu})
        EXPECT_EQ(ReadGamepadState(index, &state), kNotConnected) << index;
    EXPECT_EQ(state.buttons, 0xBEEF) << "state left untouched";
}

TEST_F(GamepadReaderTest, HotPlugFillsFirstFreeSlotAndFreesItOnRemoval)
{
    VirtualPad first, second, third;
    ASSERT_TRUE(first.Attach()) << SDL_GetError();
    ASSERT_TRUE(second.Attach()) << SDL_GetError();
    EXPECT_GT(DrainHidMessages(), 0);

    PadState state;
    EXPECT_EQ(ReadGamepadState(0, &state), 0u);
    EXPECT_EQ(ReadGamepadState(1, &state), 0u);
    EXPECT_EQ(ReadGamepadState(2, &state), kNotConnected);

    // The same device reported again takes no second slot.
    HandleControllerDeviceEvent(SDL_CONTROLLERDEVICEADDED, second.deviceIndex);
    EXPECT_EQ(ReadGamepadState(2, &state), kNotConnected);

    first.Detach();
    EXPECT_GT(DrainHidMessages(), 0);
    EXPECT_EQ(ReadGamepadState(0, &state), kNotConnected);
    EXPECT_EQ(ReadGamepadState(1, &state), 0u);

    ASSERT_TRUE(third.Attach()) << SDL_GetError();
    DrainHidMessages();
    EXPECT_EQ(ReadGamepadState(0, &state), 0u);

    second.Detach();
    third.Detach();
    DrainHidMessages();
    for (uint32_t index = 0; index < 4; ++index)
        EXPECT_EQ(ReadGamepadState(index, &state), kNotConnected) << index;
}

TEST_F(GamepadReaderTest, ButtonsTriggersAndSticksReadInPadLayout)
{
    VirtualPad pad;
    ASSERT_TRUE(pad.Attach()) << SDL_GetError();
    DrainHidMessages();

    const struct {
        SDL_GameControllerButton button;
        uint16_t bit;
    } buttons[] = {
        {SDL_CONTROLLER_BUTTON_A, PAD_A},
        {SDL_CONTROLLER_BUTTON_B, PAD_B},
        {SDL_CONTROLLER_BUTTON_X, PAD_X},
        {SDL_CONTROLLER_BUTTON_Y, PAD_Y},
        {SDL_CONTROLLER_BUTTON_BACK, PAD_BACK},
        {SDL_CONTROLLER_BUTTON_START, PAD_START},
        {SDL_CONTROLLER_BUTTON_LEFTSTICK, PAD_LEFT_THUMB},
        {SDL_CONTROLLER_BUTTON_RIGHTSTICK, PAD_RIGHT_THUMB},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PAD_LEFT_SHOULDER},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PAD_RIGHT_SHOULDER},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, PAD_DPAD_UP},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PAD_DPAD_DOWN},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PAD_DPAD_LEFT},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PAD_DPAD_RIGHT},
    };
    PadState state;
    ASSERT_EQ(ReadGamepadState(0, &state), 0u);
    uint32_t packet = state.packetNumber;
    for (const auto& b : buttons) {
        SCOPED_TRACE(int(b.button));
        SDL_JoystickSetVirtualButton(pad.joystick, b.button, SDL_PRESSED);
        EXPECT_GT(DrainHidMessages(), 0);
        ASSERT_EQ(ReadGamepadState(0, &state), 0u);
        EXPECT_EQ(state.buttons, b.bit);
        EXPECT_EQ(state.packetNumber, packet + 1);
        packet = state.packetNumber;
        SDL_JoystickSetVirtualButton(pad.joystick, b.button, SDL_RELEASED);
        DrainHidMessages();
        ASSERT_EQ(ReadGamepadState(0, &state), 0u);
        EXPECT_EQ(state.buttons, 0);
        packet = state.packetNumber;
    }
    // An unchanged pad keeps its packet number.
    ASSERT_EQ(ReadGamepadState(0, &state), 0u);
    EXPECT_EQ(state.packetNumber, packet);

    // SDL spreads a controller trigger's raw range -32768..32767 over
    // 0..32767 (raw -16384 -> 8191, 0 -> 16383, 16384 -> 24575); the reader
    // scales that to 0..255 rounding to nearest: 8191*255/32767 = 63.75,
    // 16383*255/32767 = 127.496, 24575*255/32767 = 191.25.
    const struct {
        Sint16 raw;
        uint8_t expected;
    } triggers[] = {{-32768, 0}, {-16384, 64}, {0, 127}, {16384, 191}, {32767, 255}};
    for (const auto& t : triggers) {
        SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_TRIGGERLEFT, t.raw);
        SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, t.raw);
        DrainHidMessages();
        ASSERT_EQ(ReadGamepadState(0, &state), 0u);
        EXPECT_EQ(state.leftTrigger, t.expected) << t.raw;
        EXPECT_EQ(state.rightTrigger, t.expected) << t.raw;
    }

    // Sticks: x as SDL reports it, y turned to grow upwards; SDL's full
    // down (-32768 is up for SDL) saturates instead of wrapping.
    const struct {
        Sint16 x, y;
        int16_t wantX, wantY;
    } sticks[] = {
        {0, 0, 0, 0},
        {32767, 32767, 32767, -32767},
        {-32768, -32768, -32768, 32767},
        {1000, -2000, 1000, 2000},
    };
    for (const auto& s : sticks) {
        SCOPED_TRACE(testing::Message() << s.x << "," << s.y);
        SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_LEFTX, s.x);
        SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_LEFTY, s.y);
        SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_RIGHTX, s.x);
        SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_RIGHTY, s.y);
        DrainHidMessages();
        ASSERT_EQ(ReadGamepadState(0, &state), 0u);
        EXPECT_EQ(state.thumbLX, s.wantX);
        EXPECT_EQ(state.thumbLY, s.wantY);
        EXPECT_EQ(state.thumbRX, s.wantX);
        EXPECT_EQ(state.thumbRY, s.wantY);
    }
    pad.Detach();
    DrainHidMessages();
}

}  // namespace
