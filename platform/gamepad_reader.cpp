// Four controller slots over SDL's game-controller API. A slot holds an
// open controller from its device-added event until its device-removed
// event; reads turn SDL's buttons and axes into the PadState layout.
#include "platform/gamepad_reader.h"

#include <SDL.h>

#include <cassert>
#include <cstring>

namespace {

constexpr uint32_t kSlotCount = 4;
constexpr uint32_t kErrorDeviceNotConnected = 1167;

struct PadSlot {
    SDL_GameController* controller = nullptr;  // null: the slot is free
    SDL_JoystickID instanceId = -1;
    PadState last;  // the last state handed out, for packetNumber
};

PadSlot slots[kSlotCount];

struct ButtonBit {
    SDL_GameControllerButton button;
    uint16_t bit;
};

constexpr ButtonBit kButtonBits[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_UP, PAD_DPAD_UP},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PAD_DPAD_DOWN},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PAD_DPAD_LEFT},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PAD_DPAD_RIGHT},
    {SDL_CONTROLLER_BUTTON_START, PAD_START},
    {SDL_CONTROLLER_BUTTON_BACK, PAD_BACK},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, PAD_LEFT_THUMB},
    {SDL_CONTROLLER_BUTTON_RIGHTSTICK, PAD_RIGHT_THUMB},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PAD_LEFT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PAD_RIGHT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_A, PAD_A},
    {SDL_CONTROLLER_BUTTON_B, PAD_B},
    {SDL_CONTROLLER_BUTTON_X, PAD_X},
    {SDL_CONTROLLER_BUTTON_Y, PAD_Y},
};

PadSlot* SlotOfInstance(SDL_JoystickID instanceId)
{
    for (PadSlot& slot : slots)
        if (slot.controller != nullptr && slot.instanceId == instanceId)
            return &slot;
    return nullptr;
}

// SDL's trigger axis 0..32767 scaled to 0..255, rounded to nearest.
uint8_t TriggerByte(Sint16 axis)
{
    if (axis <= 0)
        return 0;
    return uint8_t((int32_t(axis) * 255 + 32767 / 2) / 32767);
}

// SDL's stick y grows downwards; the pad state's grows upwards. -32768 has
// no positive counterpart in 16 bits, so it becomes 32767.
int16_t UpwardAxis(Sint16 axis)
{
    return axis == -32768 ? int16_t(32767) : int16_t(-axis);
}

void OpenController(int deviceIndex)
{
    if (!SDL_IsGameController(deviceIndex))
        return;
    const SDL_JoystickID instanceId = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (instanceId < 0 || SlotOfInstance(instanceId) != nullptr)
        return;
    for (PadSlot& slot : slots) {
        if (slot.controller != nullptr)
            continue;
        SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
        if (controller == nullptr)
            return;
        slot.controller = controller;
        slot.instanceId = instanceId;
        slot.last = PadState{};
        return;
    }
}

void CloseController(SDL_JoystickID instanceId)
{
    PadSlot* slot = SlotOfInstance(instanceId);
    if (slot == nullptr)
        return;
    SDL_GameControllerClose(slot->controller);
    *slot = PadSlot{};
}

}  // namespace

uint32_t ReadGamepadState(uint32_t userIndex, PadState* state)
{
    assert(state != nullptr && "ReadGamepadState needs a state to fill");
    if (userIndex >= kSlotCount)
        return kErrorDeviceNotConnected;
    PadSlot& slot = slots[userIndex];
    if (slot.controller == nullptr)
        return kErrorDeviceNotConnected;
    if (!SDL_GameControllerGetAttached(slot.controller))
        return kErrorDeviceNotConnected;

    PadState now;
    for (const ButtonBit& entry : kButtonBits)
        if (SDL_GameControllerGetButton(slot.controller, entry.button))
            now.buttons |= entry.bit;
    now.leftTrigger =
        TriggerByte(SDL_GameControllerGetAxis(slot.controller, SDL_CONTROLLER_AXIS_TRIGGERLEFT));
    now.rightTrigger =
        TriggerByte(SDL_GameControllerGetAxis(slot.controller, SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
    now.thumbLX = SDL_GameControllerGetAxis(slot.controller, SDL_CONTROLLER_AXIS_LEFTX);
    now.thumbLY = UpwardAxis(SDL_GameControllerGetAxis(slot.controller, SDL_CONTROLLER_AXIS_LEFTY));
    now.thumbRX = SDL_GameControllerGetAxis(slot.controller, SDL_CONTROLLER_AXIS_RIGHTX);
    now.thumbRY = UpwardAxis(SDL_GameControllerGetAxis(slot.controller, SDL_CONTROLLER_AXIS_RIGHTY));

    const PadState& last = slot.last;
    const bool changed = now.buttons != last.buttons || now.leftTrigger != last.leftTrigger ||
                         now.rightTrigger != last.rightTrigger || now.thumbLX != last.thumbLX ||
                         now.thumbLY != last.thumbLY || now.thumbRX != last.thumbRX ||
                         now.thumbRY != last.thumbRY;
    now.packetNumber = last.packetNumber + (changed ? 1u : 0u);
    slot.last = now;
    *state = now;
    return 0;
}

void HandleControllerDeviceEvent(int sdlEventType, int deviceIndexOrInstanceId)
{
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0)
        return;
    if (sdlEventType == SDL_CONTROLLERDEVICEADDED)
        OpenController(deviceIndexOrInstanceId);
    else if (sdlEventType == SDL_CONTROLLERDEVICEREMOVED)
        CloseController(SDL_JoystickID(deviceIndexOrInstanceId));
}

struct VirtualGamepad {
    SDL_Joystick* joystick = nullptr;  // our own handle, to set its state
};

VirtualGamepad* AttachVirtualGamepad()
{
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Vorlandis virtual gamepad";
    const int deviceIndex = SDL_JoystickAttachVirtualEx(&desc);
    if (deviceIndex < 0) {
        return nullptr;
    }
    SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
    if (joystick == nullptr) {
        SDL_JoystickDetachVirtual(deviceIndex);
        return nullptr;
    }
    return new VirtualGamepad{joystick};
}

void SetVirtualGamepadState(VirtualGamepad* pad, const PadState& state)
{
    assert(pad != nullptr && "a virtual gamepad from AttachVirtualGamepad");
    for (const ButtonBit& entry : kButtonBits) {
        SDL_JoystickSetVirtualButton(pad->joystick, entry.button,
                                     (state.buttons & entry.bit) != 0 ? SDL_PRESSED : SDL_RELEASED);
    }
    // Triggers 0..255 to SDL's 0..32767; sticks from y up to SDL's y down.
    const auto trigger = [](uint8_t value) { return Sint16(int32_t(value) * 32767 / 255); };
    const auto downward = [](int16_t axis) { return axis == -32768 ? Sint16(32767) : Sint16(-axis); };
    SDL_JoystickSetVirtualAxis(pad->joystick, SDL_CONTROLLER_AXIS_TRIGGERLEFT, trigger(state.leftTrigger));
    SDL_JoystickSetVirtualAxis(pad->joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, trigger(state.rightTrigger));
    SDL_JoystickSetVirtualAxis(pad->joystick, SDL_CONTROLLER_AXIS_LEFTX, state.thumbLX);
    SDL_JoystickSetVirtualAxis(pad->joystick, SDL_CONTROLLER_AXIS_LEFTY, downward(state.thumbLY));
    SDL_JoystickSetVirtualAxis(pad->joystick, SDL_CONTROLLER_AXIS_RIGHTX, state.thumbRX);
    SDL_JoystickSetVirtualAxis(pad->joystick, SDL_CONTROLLER_AXIS_RIGHTY, downward(state.thumbRY));
}

void DetachVirtualGamepad(VirtualGamepad* pad)
{
    if (pad == nullptr) {
        return;
    }
    const SDL_JoystickID id = SDL_JoystickInstanceID(pad->joystick);
    SDL_JoystickClose(pad->joystick);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) {
            SDL_JoystickDetachVirtual(i);
            break;
        }
    }
    delete pad;
}
