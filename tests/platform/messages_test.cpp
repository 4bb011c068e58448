// The scancode table, and SDL events turned into messages through the real
// SDL queue under the offscreen video driver.
#include "platform/messages.h"
#include "platform/window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(ScancodeTable, GivesUsLayoutVirtualKeys)
{
    struct Case {
        int scancode;
        uint16_t vKey;
    };
    const Case cases[] = {
        {SDL_SCANCODE_A, 0x41},
        {SDL_SCANCODE_M, 0x4D},
        {SDL_SCANCODE_Z, 0x5A},
        {SDL_SCANCODE_0, 0x30},
        {SDL_SCANCODE_1, 0x31},
        {SDL_SCANCODE_9, 0x39},
        {SDL_SCANCODE_F1, 0x70},
        {SDL_SCANCODE_F10, 0x79},
        {SDL_SCANCODE_F12, 0x7B},
        {SDL_SCANCODE_F13, 0x7C},
        {SDL_SCANCODE_F24, 0x87},
        {SDL_SCANCODE_RETURN, 0x0D},
        {SDL_SCANCODE_KP_ENTER, 0x0D},
        {SDL_SCANCODE_ESCAPE, 0x1B},
        {SDL_SCANCODE_BACKSPACE, 0x08},
        {SDL_SCANCODE_TAB, 0x09},
        {SDL_SCANCODE_SPACE, 0x20},
        {SDL_SCANCODE_CAPSLOCK, 0x14},
        {SDL_SCANCODE_LEFT, 0x25},
        {SDL_SCANCODE_UP, 0x26},
        {SDL_SCANCODE_RIGHT, 0x27},
        {SDL_SCANCODE_DOWN, 0x28},
        {SDL_SCANCODE_INSERT, 0x2D},
        {SDL_SCANCODE_DELETE, 0x2E},
        {SDL_SCANCODE_HOME, 0x24},
        {SDL_SCANCODE_END, 0x23},
        {SDL_SCANCODE_PAGEUP, 0x21},
        {SDL_SCANCODE_PAGEDOWN, 0x22},
        {SDL_SCANCODE_PRINTSCREEN, 0x2C},
        {SDL_SCANCODE_SCROLLLOCK, 0x91},
        {SDL_SCANCODE_PAUSE, 0x13},
        {SDL_SCANCODE_NUMLOCKCLEAR, 0x90},
        {SDL_SCANCODE_KP_0, 0x60},
        {SDL_SCANCODE_KP_9, 0x69},
        {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
        {SDL_SCANCODE_KP_PLUS, 0x6B},
        {SDL_SCANCODE_KP_MINUS, 0x6D},
        {SDL_SCANCODE_KP_PERIOD, 0x6E},
        {SDL_SCANCODE_KP_DIVIDE, 0x6F},
        {SDL_SCANCODE_LSHIFT, 0xA0},
        {SDL_SCANCODE_RSHIFT, 0xA1},
        {SDL_SCANCODE_LCTRL, 0xA2},
        {SDL_SCANCODE_RCTRL, 0xA3},
        {SDL_SCANCODE_LALT, 0xA4},
        {SDL_SCANCODE_RALT, 0xA5},
        {SDL_SCANCODE_LGUI, 0x5B},
        {SDL_SCANCODE_RGUI, 0x5C},
        {SDL_SCANCODE_APPLICATION, 0x5D},
        {SDL_SCANCODE_GRAVE, 0xC0},
        {SDL_SCANCODE_MINUS, 0xBD},
        {SDL_SCANCODE_EQUALS, 0xBB},
        {SDL_SCANCODE_LEFTBRACKET, 0xDB},
        {SDL_SCANCODE_RIGHTBRACKET, 0xDD},
        {SDL_SCANCODE_BACKSLASH, 0xDC},
        {SDL_SCANCODE_SEMICOLON, 0xBA},
        {SDL_SCANCODE_APOSTROPHE, 0xDE},
        {SDL_SCANCODE_COMMA, 0xBC},
        {SDL_SCANCODE_PERIOD, 0xBE},
        {SDL_SCANCODE_SLASH, 0xBF},
        {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
        // Keys with no virtual key, and values outside the scancode range.
        {SDL_SCANCODE_UNKNOWN, 0},
        {SDL_SCANCODE_MUTE, 0},
        {SDL_SCANCODE_AUDIONEXT, 0},
        {-1, 0},
        {SDL_NUM_SCANCODES, 0},
        {100000, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyFromScancode(c.scancode), c.vKey) << "scancode " << c.scancode;
}

TEST(ScancodeTable, SystemKeysAreAltCombinationsF10AndAlt)
{
    struct Case {
        SDL_Scancode scancode;
        bool altHeld;
        bool system;
    };
    const Case cases[] = {
        {SDL_SCANCODE_A, false, false},    {SDL_SCANCODE_A, true, true},
        {SDL_SCANCODE_F4, false, false},   {SDL_SCANCODE_F4, true, true},
        {SDL_SCANCODE_F10, false, true},   {SDL_SCANCODE_F9, false, false},
        {SDL_SCANCODE_F11, false, false},  {SDL_SCANCODE_LALT, false, true},
        {SDL_SCANCODE_RALT, false, true},  {SDL_SCANCODE_LCTRL, false, false},
        {SDL_SCANCODE_LSHIFT, true, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSystemKey(c.scancode, c.altHeld), c.system)
            << "scancode " << int(c.scancode) << " alt " << c.altHeld;
}

// A hidden main window, an empty queue and an empty SDL queue; a window
// procedure that records what it is given and hands the rest to the
// default handling.
class MessageQueueTest : public testing::Test {
protected:
    struct ProcCall {
        PlatformWindow* window;
        uint32_t message;
        uint64_t wParam;
    };
    static std::vector<ProcCall> procCalls;

    static int64_t RecordingProc(PlatformWindow* window, uint32_t message, uint64_t wParam, int64_t lParam)
    {
        procCalls.push_back({window, message, wParam});
        return DefWindowProc(window, message, wParam, lParam);
    }

    void SetUp() override
    {
        ASSERT_TRUE(InitPlatform());
        WindowDesc desc;
        desc.width = 160;
        desc.height = 120;
        desc.visible = false;
        window = CreatePlatformWindow(desc);
        ASSERT_NE(window, nullptr);
        procCalls.clear();
        SetWindowProc(&RecordingProc);
        Drain();
    }

    void TearDown() override
    {
        SetWindowProc(nullptr);
        ClearMessageQueue();
        DestroyPlatformWindow(window);
    }

    static std::vector<Message> Drain()
    {
        std::vector<Message> out;
        Message msg;
        while (PeekMessage(&msg))
            out.push_back(msg);
        return out;
    }

    static void PushKey(Uint32 type, SDL_Scancode scancode, Uint16 mod, Uint8 repeat)
    {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    static void PushText(const char* utf8)
    {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        std::strncpy(event.text.text, utf8, sizeof event.text.text - 1);
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    PlatformWindow* window = nullptr;
};

std::vector<MessageQueueTest::ProcCall> MessageQueueTest::procCalls;

constexpr int64_t kWasDown = int64_t(1) << 30;

TEST_F(MessageQueueTest, KeyDownRepeatUpAndTextKeepTheirOrder)
{
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_NONE, 0);
    PushText("a");
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_NONE, 1);
    PushKey(SDL_KEYUP, SDL_SCANCODE_A, KMOD_NONE, 0);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_AUDIONEXT, KMOD_NONE, 0);  // no virtual key: nothing

    const std::vector<Message> got = Drain();
    struct Expect {
        uint32_t message;
        uint32_t rawType;  // for WM_INPUT
        uint32_t rawKind;  // raw keyboard message, for WM_INPUT
        uint64_t wParam;   // for the others
        bool wasDown;
    };
    const Expect expected[] = {
        {WM_INPUT, RIM_TYPEKEYBOARD, WM_KEYDOWN, 0, false},
        {WM_KEYDOWN, 0, 0, 0x41, false},
        {WM_CHAR, 0, 0, 'a', false},
        {WM_INPUT, RIM_TYPEKEYBOARD, WM_KEYDOWN, 0, false},
        {WM_KEYDOWN, 0, 0, 0x41, true},
        {WM_INPUT, RIM_TYPEKEYBOARD, WM_KEYUP, 0, false},
        {WM_KEYUP, 0, 0, 0x41, true},
    };
    ASSERT_EQ(got.size(), std::size(expected));
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].window, window);
        EXPECT_EQ(got[i].message, expected[i].message);
        if (expected[i].message == WM_INPUT) {
            EXPECT_EQ(got[i].raw.type, expected[i].rawType);
            EXPECT_EQ(got[i].raw.keyboard.vKey, 0x41);
            EXPECT_EQ(got[i].raw.keyboard.message, expected[i].rawKind);
        } else {
            EXPECT_EQ(got[i].wParam, expected[i].wParam);
            if (expected[i].message != WM_CHAR) {
                EXPECT_EQ((got[i].lParam & kWasDown) != 0, expected[i].wasDown);
            }
        }
    }
}

TEST_F(MessageQueueTest, AltCombinationsF10AndAltAreSystemKeys)
{
    struct Case {
        SDL_Scancode scancode;
        Uint16 mod;
        uint32_t down;
        uint32_t up;
    };
    const Case cases[] = {
        {SDL_SCANCODE_LALT, KMOD_LALT, WM_SYSKEYDOWN, WM_SYSKEYUP},
        {SDL_SCANCODE_F4, KMOD_LALT, WM_SYSKEYDOWN, WM_SYSKEYUP},
        {SDL_SCANCODE_W, KMOD_RALT, WM_SYSKEYDOWN, WM_SYSKEYUP},
        {SDL_SCANCODE_F10, KMOD_NONE, WM_SYSKEYDOWN, WM_SYSKEYUP},
        {SDL_SCANCODE_LSHIFT, KMOD_LSHIFT, WM_KEYDOWN, WM_KEYUP},
        // Ctrl+Alt (and AltGr typing a character) gives ordinary keys
        {SDL_SCANCODE_Q, Uint16(KMOD_LCTRL | KMOD_RALT), WM_KEYDOWN, WM_KEYUP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.scancode));
        PushKey(SDL_KEYDOWN, c.scancode, c.mod, 0);
        PushKey(SDL_KEYUP, c.scancode, c.mod, 0);
        const std::vector<Message> got = Drain();
        ASSERT_EQ(got.size(), 4u);
        EXPECT_EQ(got[0].raw.keyboard.message, c.down);
        EXPECT_EQ(got[1].message, c.down);
        EXPECT_EQ(got[2].raw.keyboard.message, c.up);
        EXPECT_EQ(got[3].message, c.up);
        EXPECT_EQ(got[1].wParam, VirtualKeyFromScancode(c.scancode));
    }
}

TEST_F(MessageQueueTest, TextBecomesUtf16UnitsAndControlKeysTheirCharacters)
{
    PushText("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");  // e-acute, euro sign, U+1F600
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, KMOD_NONE, 0);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_C, KMOD_LCTRL, 0);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F1, KMOD_NONE, 0);  // no character
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_X, KMOD_LALT, 0);   // an Alt character
    PushText("x");
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_Y, KMOD_NONE, 0);
    PushText("y");

    std::vector<uint64_t> characters;
    std::vector<uint64_t> altCharacters;
    for (const Message& msg : Drain()) {
        if (msg.message == WM_CHAR)
            characters.push_back(msg.wParam);
        if (msg.message == WM_SYSCHAR)
            altCharacters.push_back(msg.wParam);
    }
    const std::vector<uint64_t> expected = {0xE9, 0x20AC, 0xD83D, 0xDE00, 0x1B, 0x03, 'y'};
    EXPECT_EQ(characters, expected);
    EXPECT_EQ(altCharacters, std::vector<uint64_t>{'x'});
}

TEST_F(MessageQueueTest, MouseMotionButtonsAndWheelBecomeRawMouseInput)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = 7;
    event.motion.yrel = -3;
    SDL_PushEvent(&event);

    const struct {
        Uint32 type;
        Uint8 button;
    } buttons[] = {
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT},  {SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT},
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT}, {SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE},
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1},    {SDL_MOUSEBUTTONUP, SDL_BUTTON_X2},
    };
    for (const auto& b : buttons) {
        event = SDL_Event{};
        event.type = b.type;
        event.button.button = b.button;
        SDL_PushEvent(&event);
    }
    const struct {
        Sint32 y;
        Uint32 direction;
    } wheels[] = {
        {1, SDL_MOUSEWHEEL_NORMAL}, {-2, SDL_MOUSEWHEEL_NORMAL},   {1, SDL_MOUSEWHEEL_FLIPPED},
        {0, SDL_MOUSEWHEEL_NORMAL}, {1000, SDL_MOUSEWHEEL_NORMAL},
    };
    for (const auto& w : wheels) {
        event = SDL_Event{};
        event.type = SDL_MOUSEWHEEL;
        event.wheel.y = w.y;
        event.wheel.x = 1;
        event.wheel.direction = w.direction;
        SDL_PushEvent(&event);
    }

    const std::vector<Message> got = Drain();
    struct Expect {
        uint16_t flags;
        int16_t data;
    };
    const Expect expected[] = {
        {0, 0},
        {RI_MOUSE_LEFT_BUTTON_DOWN, 0},
        {RI_MOUSE_LEFT_BUTTON_UP, 0},
        {RI_MOUSE_RIGHT_BUTTON_DOWN, 0},
        {RI_MOUSE_MIDDLE_BUTTON_UP, 0},
        {RI_MOUSE_BUTTON_4_DOWN, 0},
        {RI_MOUSE_BUTTON_5_UP, 0},
        {RI_MOUSE_WHEEL, 120},
        {RI_MOUSE_WHEEL, -240},
        {RI_MOUSE_WHEEL, -120},
        // a horizontal-only scroll posts nothing; a huge one saturates
        {RI_MOUSE_WHEEL, 32767},
    };
    ASSERT_EQ(got.size(), std::size(expected));
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].message, WM_INPUT);
        EXPECT_EQ(got[i].raw.type, RIM_TYPEMOUSE);
        EXPECT_EQ(got[i].raw.mouse.buttonFlags, expected[i].flags);
        EXPECT_EQ(int16_t(got[i].raw.mouse.buttonData), expected[i].data);
    }
    EXPECT_EQ(got[0].raw.mouse.lastX, 7);
    EXPECT_EQ(got[0].raw.mouse.lastY, -3);
}

TEST_F(MessageQueueTest, CloseBoxDestroysTheWindowOnceAndSendsDestroy)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&event);
    event = SDL_Event{};
    event.type = SDL_QUIT;  // SDL follows the last window's close with a quit
    SDL_PushEvent(&event);

    const std::vector<Message> got = Drain();
    ASSERT_EQ(got.size(), 2u);
    for (const Message& msg : got) {
        EXPECT_EQ(msg.message, WM_CLOSE);
        EXPECT_EQ(msg.window, window);
        TranslateMessage(msg);
        DispatchMessage(msg);
    }
    EXPECT_FALSE(PlatformWindowExists(window));

    std::vector<uint32_t> seen;
    for (const ProcCall& call : procCalls) {
        seen.push_back(call.message);
        EXPECT_EQ(call.window, window);
    }
    const std::vector<uint32_t> expected = {WM_CLOSE, WM_DESTROY, WM_CLOSE};
    EXPECT_EQ(seen, expected);
}

TEST_F(MessageQueueTest, HiddenHelperWindowsDoNotTakeTheMessages)
{
    const auto closeTarget = [] {
        SDL_Event event{};
        event.type = SDL_QUIT;
        SDL_PushEvent(&event);
        const std::vector<Message> got = Drain();
        return got.size() == 1 ? got[0].window : nullptr;
    };
    WindowDesc desc;
    desc.width = 32;
    desc.height = 32;
    desc.visible = true;
    PlatformWindow* visible = CreatePlatformWindow(desc);
    ASSERT_NE(visible, nullptr);
    EXPECT_EQ(closeTarget(), visible);

    desc.visible = false;
    PlatformWindow* probe = CreatePlatformWindow(desc);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(closeTarget(), visible);
    DestroyPlatformWindow(probe);
    EXPECT_EQ(closeTarget(), visible);

    // Without the visible window the fixture's hidden one is the newest left.
    DestroyPlatformWindow(visible);
    EXPECT_EQ(closeTarget(), window);
}

TEST_F(MessageQueueTest, PostedMessagesQueueBehindPendingOnes)
{
    Message posted;
    posted.message = WM_KEYDOWN;
    posted.wParam = 0x52;
    PostPlatformMessage(posted);
    PostQuitMessage(3);

    Message look;
    ASSERT_TRUE(PeekMessageNoRemove(&look));
    EXPECT_EQ(look.message, WM_KEYDOWN);

    const std::vector<Message> got = Drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].wParam, 0x52u);
    EXPECT_EQ(got[1].message, WM_QUIT);
    EXPECT_EQ(got[1].wParam, 3u);
    EXPECT_FALSE(PeekMessageNoRemove(&look));

    SetWindowProc(nullptr);
    EXPECT_EQ(DispatchMessage(got[0]), 0);
    EXPECT_TRUE(procCalls.empty());
}

}  // namespace
