// The process's message queue and the conversion of SDL events into
// messages: raw keyboard, mouse and HID input, key-downs and key-ups,
// characters, and window close.
#include "platform/messages.h"

#include "platform/gamepad_reader.h"
#include "platform/system.h"
#include "platform/window.h"
#include "platform/window_record.h"

#include <SDL.h>

#include <algorithm>
#include <cassert>
#include <deque>

namespace {

struct MessageQueue {
    std::deque<Message> messages;
    WindowProc windowProc = nullptr;
    // The last key-down was a system key, so the text SDL sends for it is
    // an Alt character (WM_SYSCHAR) rather than typed text.
    bool lastKeyDownSystem = false;
};

MessageQueue& Queue()
{
    static MessageQueue queue;
    return queue;
}

struct ScancodeKey {
    SDL_Scancode scancode;
    uint16_t vKey;
};

// SDL scancodes name physical key positions; the virtual keys are those a
// US layout gives at each position. Letters, digits and F1..F24 are filled
// in by range in VirtualKeyFromScancode.
constexpr ScancodeKey kScancodeKeys[] = {
    {SDL_SCANCODE_RETURN, 0x0D},      {SDL_SCANCODE_ESCAPE, 0x1B},
    {SDL_SCANCODE_BACKSPACE, 0x08},   {SDL_SCANCODE_TAB, 0x09},
    {SDL_SCANCODE_SPACE, 0x20},       {SDL_SCANCODE_CAPSLOCK, 0x14},
    {SDL_SCANCODE_LEFT, 0x25},        {SDL_SCANCODE_UP, 0x26},
    {SDL_SCANCODE_RIGHT, 0x27},       {SDL_SCANCODE_DOWN, 0x28},
    {SDL_SCANCODE_INSERT, 0x2D},      {SDL_SCANCODE_DELETE, 0x2E},
    {SDL_SCANCODE_HOME, 0x24},        {SDL_SCANCODE_END, 0x23},
    {SDL_SCANCODE_PAGEUP, 0x21},      {SDL_SCANCODE_PAGEDOWN, 0x22},
    {SDL_SCANCODE_PRINTSCREEN, 0x2C}, {SDL_SCANCODE_SCROLLLOCK, 0x91},
    {SDL_SCANCODE_PAUSE, 0x13},       {SDL_SCANCODE_NUMLOCKCLEAR, 0x90},
    {SDL_SCANCODE_KP_0, 0x60},        {SDL_SCANCODE_KP_1, 0x61},
    {SDL_SCANCODE_KP_2, 0x62},        {SDL_SCANCODE_KP_3, 0x63},
    {SDL_SCANCODE_KP_4, 0x64},        {SDL_SCANCODE_KP_5, 0x65},
    {SDL_SCANCODE_KP_6, 0x66},        {SDL_SCANCODE_KP_7, 0x67},
    {SDL_SCANCODE_KP_8, 0x68},        {SDL_SCANCODE_KP_9, 0x69},
    {SDL_SCANCODE_KP_MULTIPLY, 0x6A}, {SDL_SCANCODE_KP_PLUS, 0x6B},
    {SDL_SCANCODE_KP_MINUS, 0x6D},    {SDL_SCANCODE_KP_PERIOD, 0x6E},
    {SDL_SCANCODE_KP_DIVIDE, 0x6F},   {SDL_SCANCODE_KP_ENTER, 0x0D},
    {SDL_SCANCODE_LSHIFT, 0xA0},      {SDL_SCANCODE_RSHIFT, 0xA1},
    {SDL_SCANCODE_LCTRL, 0xA2},       {SDL_SCANCODE_RCTRL, 0xA3},
    {SDL_SCANCODE_LALT, 0xA4},        {SDL_SCANCODE_RALT, 0xA5},
    {SDL_SCANCODE_LGUI, 0x5B},        {SDL_SCANCODE_RGUI, 0x5C},
    {SDL_SCANCODE_APPLICATION, 0x5D}, {SDL_SCANCODE_GRAVE, 0xC0},
    {SDL_SCANCODE_MINUS, 0xBD},       {SDL_SCANCODE_EQUALS, 0xBB},
    {SDL_SCANCODE_LEFTBRACKET, 0xDB}, {SDL_SCANCODE_RIGHTBRACKET, 0xDD},
    {SDL_SCANCODE_BACKSLASH, 0xDC},   {SDL_SCANCODE_NONUSHASH, 0xDC},
    {SDL_SCANCODE_SEMICOLON, 0xBA},   {SDL_SCANCODE_APOSTROPHE, 0xDE},
    {SDL_SCANCODE_COMMA, 0xBC},       {SDL_SCANCODE_PERIOD, 0xBE},
    {SDL_SCANCODE_SLASH, 0xBF},       {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
};

// lParam bits of key messages, as the program's key handlers expect them:
// a repeat count of 1 in the low word, bit 29 when Alt is held, bit 30 when
// the key was already down (auto-repeat, and every key-up), bit 31 on key-up.
constexpr int64_t kRepeatCountOne = 1;
constexpr int64_t kAltHeldBit = int64_t(1) << 29;
constexpr int64_t kWasDownBit = int64_t(1) << 30;
constexpr int64_t kKeyUpBit = int64_t(1) << 31;

void Post(const Message& msg)
{
    Queue().messages.push_back(msg);
}

Message NewMessage(uint32_t kind)
{
    Message msg;
    msg.window = MainPlatformWindow();
    msg.message = kind;
    return msg;
}

// Alt combinations are system keys unless Ctrl is held too: Ctrl+Alt, and
// AltGr on layouts that type characters with it, give ordinary keys.
bool AltHeld(Uint16 eventMod)
{
    const Uint16 mod = eventMod | Uint16(SDL_GetModState());
    return (mod & KMOD_ALT) != 0 && (mod & KMOD_CTRL) == 0;
}

// Characters the keyboard produces that SDL's text input leaves out because
// they are control codes: Enter, Escape, Tab, Backspace and Ctrl+letter
// (not Ctrl+Alt+letter, which is AltGr's character or none). 0 when the key
// gives none of them.
uint16_t ControlCharacter(SDL_Scancode scancode, Uint16 eventMod)
{
    const Uint16 mod = eventMod | Uint16(SDL_GetModState());
    switch (scancode) {
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
        return 0x0D;
    case SDL_SCANCODE_ESCAPE:
        return 0x1B;
    case SDL_SCANCODE_TAB:
        return 0x09;
    case SDL_SCANCODE_BACKSPACE:
        return 0x08;
    default:
        break;
    }
    if ((mod & KMOD_CTRL) != 0 && (mod & KMOD_ALT) == 0 && scancode >= SDL_SCANCODE_A &&
        scancode <= SDL_SCANCODE_Z)
        return uint16_t(1 + (scancode - SDL_SCANCODE_A));
    return 0;
}

void PostKey(const SDL_KeyboardEvent& key)
{
    const uint16_t vKey = VirtualKeyFromScancode(key.keysym.scancode);
    if (vKey == 0)
        return;
    const bool down = key.type == SDL_KEYDOWN;
    const bool alt = AltHeld(key.keysym.mod);
    const bool system = IsSystemKey(key.keysym.scancode, alt);
    const uint32_t kind = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    if (down)
        Queue().lastKeyDownSystem = system;

    Message raw = NewMessage(WM_INPUT);
    raw.raw.type = RIM_TYPEKEYBOARD;
    raw.raw.keyboard.vKey = vKey;
    raw.raw.keyboard.message = kind;
    Post(raw);

    Message legacy = NewMessage(kind);
    legacy.wParam = vKey;
    legacy.lParam = kRepeatCountOne;
    if (alt)
        legacy.lParam |= kAltHeldBit;
    if (!down)
        legacy.lParam |= kWasDownBit | kKeyUpBit;
    else if (key.repeat != 0)
        legacy.lParam |= kWasDownBit;
    Post(legacy);

    if (down && !system) {
        const uint16_t control = ControlCharacter(key.keysym.scancode, key.keysym.mod);
        if (control != 0) {
            Message character = NewMessage(WM_CHAR);
            character.wParam = control;
            Post(character);
        }
    }
}

// One WM_CHAR (WM_SYSCHAR after a system key-down) per UTF-16 code unit;
// characters beyond the basic plane arrive as a surrogate pair.
void PostText(const char* utf8)
{
    const uint32_t kind = Queue().lastKeyDownSystem ? WM_SYSCHAR : WM_CHAR;
    for (wchar_t c : FromUtf8(utf8)) {
        const uint32_t point = uint32_t(c);
        Message character = NewMessage(kind);
        if (point >= 0x10000) {
            character.wParam = 0xD800 + ((point - 0x10000) >> 10);
            Post(character);
            character.wParam = 0xDC00 + ((point - 0x10000) & 0x3FF);
        } else {
            character.wParam = point;
        }
        Post(character);
    }
}

void PostMouse(uint16_t buttonFlags, uint16_t buttonData, int32_t lastX, int32_t lastY)
{
    Message msg = NewMessage(WM_INPUT);
    msg.raw.type = RIM_TYPEMOUSE;
    msg.raw.mouse.buttonFlags = buttonFlags;
    msg.raw.mouse.buttonData = buttonData;
    msg.raw.mouse.lastX = lastX;
    msg.raw.mouse.lastY = lastY;
    Post(msg);
}

uint16_t ButtonFlag(Uint8 button, bool down)
{
    switch (button) {
    case SDL_BUTTON_LEFT:
        return down ? RI_MOUSE_LEFT_BUTTON_DOWN : RI_MOUSE_LEFT_BUTTON_UP;
    case SDL_BUTTON_RIGHT:
        return down ? RI_MOUSE_RIGHT_BUTTON_DOWN : RI_MOUSE_RIGHT_BUTTON_UP;
    case SDL_BUTTON_MIDDLE:
        return down ? RI_MOUSE_MIDDLE_BUTTON_DOWN : RI_MOUSE_MIDDLE_BUTTON_UP;
    case SDL_BUTTON_X1:
        return down ? RI_MOUSE_BUTTON_4_DOWN : RI_MOUSE_BUTTON_4_UP;
    case SDL_BUTTON_X2:
        return down ? RI_MOUSE_BUTTON_5_DOWN : RI_MOUSE_BUTTON_5_UP;
    default:
        return 0;
    }
}

// Wheel notches to the signed 16-bit amount of the raw mouse record,
// positive away from the user, saturated instead of wrapped.
uint16_t WheelData(const SDL_MouseWheelEvent& wheel)
{
    int64_t notches = wheel.y;
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
        notches = -notches;
    const int64_t amount = std::clamp<int64_t>(notches * WHEEL_DELTA, INT16_MIN, INT16_MAX);
    return uint16_t(int16_t(amount));
}

bool IsControllerEvent(Uint32 type)
{
    return type >= SDL_JOYAXISMOTION && type < SDL_FINGERDOWN;
}

void ConvertEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        PostKey(event.key);
        return;
    case SDL_TEXTINPUT:
        PostText(event.text.text);
        return;
    case SDL_MOUSEMOTION:
        if (event.motion.which != SDL_TOUCH_MOUSEID)
            PostMouse(0, 0, event.motion.xrel, event.motion.yrel);
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (event.button.which == SDL_TOUCH_MOUSEID)
            return;
        const uint16_t flag = ButtonFlag(event.button.button, event.type == SDL_MOUSEBUTTONDOWN);
        if (flag != 0)
            PostMouse(flag, 0, 0, 0);
        return;
    }
    case SDL_MOUSEWHEEL:
        if (event.wheel.which != SDL_TOUCH_MOUSEID && event.wheel.y != 0)
            PostMouse(RI_MOUSE_WHEEL, WheelData(event.wheel), 0, 0);
        return;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            Post(NewMessage(WM_CLOSE));
        return;
    case SDL_QUIT:
        Post(NewMessage(WM_CLOSE));
        return;
    default:
        break;
    }
    if (IsControllerEvent(event.type)) {
        if (event.type == SDL_CONTROLLERDEVICEADDED || event.type == SDL_CONTROLLERDEVICEREMOVED)
            HandleControllerDeviceEvent(int(event.type), int(event.cdevice.which));
        Message hid = NewMessage(WM_INPUT);
        hid.raw.type = RIM_TYPEHID;
        Post(hid);
    }
}

void PumpEvents()
{
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0)
        return;
    EnsureTextInputStarted();
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1)
        ConvertEvent(event);
}

}  // namespace

void SetWindowProc(WindowProc proc)
{
    Queue().windowProc = proc;
}

bool PeekMessage(Message* msg)
{
    assert(msg != nullptr && "PeekMessage needs a message to fill");
    MessageQueue& queue = Queue();
    if (queue.messages.empty())
        PumpEvents();
    if (queue.messages.empty())
        return false;
    *msg = queue.messages.front();
    queue.messages.pop_front();
    return true;
}

bool PeekMessageNoRemove(Message* msg)
{
    assert(msg != nullptr && "PeekMessageNoRemove needs a message to fill");
    MessageQueue& queue = Queue();
    if (queue.messages.empty())
        PumpEvents();
    if (queue.messages.empty())
        return false;
    *msg = queue.messages.front();
    return true;
}

void TranslateMessage(const Message&) {}

int64_t DispatchMessage(const Message& msg)
{
    WindowProc proc = Queue().windowProc;
    if (proc == nullptr)
        return 0;
    return proc(msg.window, msg.message, msg.wParam, msg.lParam);
}

void PostQuitMessage(int32_t exitCode)
{
    Message quit = NewMessage(WM_QUIT);
    quit.wParam = uint64_t(uint32_t(exitCode));
    Post(quit);
}

// A window is destroyed once: a second WM_CLOSE for it (a close box click
// is followed by SDL's quit event) finds it gone and sends nothing.
int64_t DefWindowProc(PlatformWindow* window, uint32_t message, uint64_t, int64_t)
{
    if (message != WM_CLOSE || !PlatformWindowExists(window))
        return 0;
    DestroyPlatformWindow(window);
    WindowProc proc = Queue().windowProc;
    if (proc != nullptr)
        proc(window, WM_DESTROY, 0, 0);
    return 0;
}

void PostPlatformMessage(const Message& msg)
{
    Post(msg);
}

void ClearMessageQueue()
{
    Queue().messages.clear();
}

uint16_t VirtualKeyFromScancode(int scancode)
{
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return uint16_t(0x41 + (scancode - SDL_SCANCODE_A));
    // SDL orders the digit row 1..9, 0.
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return uint16_t(0x31 + (scancode - SDL_SCANCODE_1));
    if (scancode == SDL_SCANCODE_0)
        return 0x30;
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return uint16_t(0x70 + (scancode - SDL_SCANCODE_F1));
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24)
        return uint16_t(0x7C + (scancode - SDL_SCANCODE_F13));
    for (const ScancodeKey& entry : kScancodeKeys)
        if (entry.scancode == scancode)
            return entry.vKey;
    return 0;
}

bool IsSystemKey(int scancode, bool altHeld)
{
    return altHeld || scancode == SDL_SCANCODE_F10 || scancode == SDL_SCANCODE_LALT ||
           scancode == SDL_SCANCODE_RALT;
}
