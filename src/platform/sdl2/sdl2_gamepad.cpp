// Gamepads through SDL's game-controller mappings, acting as the keyboard: each pad's D-pad, left
// stick and buttons hold key slots, and the keys of the slots held by any pad go down and up as
// the keyboard's would, so the host handles (and keys.bin records) a pad exactly like keys.
#include "platform/sdl2/sdl2_platform.h"

namespace {
enum KeySlot : uint8_t { SLOT_LEFT, SLOT_RIGHT, SLOT_UP, SLOT_DOWN, SLOT_FIRE, SLOT_BUTTON2, SLOT_AUTOFIRE, SLOT_PAUSE };

// The key each slot sends, by slot.
constexpr uint32_t SLOT_KEYS[] = {VKEY_LEFT,  VKEY_RIGHT, VKEY_UP,      VKEY_DOWN,
                                  VKEY_SPACE, VKEY_MENU,  VKEY_CONTROL, VKEY_P};
constexpr int SLOT_COUNT = int(sizeof SLOT_KEYS / sizeof SLOT_KEYS[0]);

struct ButtonSlot {
  SDL_GameControllerButton button;
  KeySlot slot;
};
// The buttons that play; the others do nothing.
constexpr ButtonSlot BUTTON_SLOTS[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, SLOT_LEFT}, {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SLOT_RIGHT},
    {SDL_CONTROLLER_BUTTON_DPAD_UP, SLOT_UP},     {SDL_CONTROLLER_BUTTON_DPAD_DOWN, SLOT_DOWN},
    {SDL_CONTROLLER_BUTTON_A, SLOT_FIRE},         {SDL_CONTROLLER_BUTTON_B, SLOT_BUTTON2},
    {SDL_CONTROLLER_BUTTON_X, SLOT_AUTOFIRE},     {SDL_CONTROLLER_BUTTON_START, SLOT_PAUSE},
};

struct StickAxis {
  SDL_GameControllerAxis axis;
  KeySlot negative, positive; // SDL's stick reads negative to the left and up
};
constexpr StickAxis STICK_AXES[GAMEPAD_STICK_AXES] = {
    {SDL_CONTROLLER_AXIS_LEFTX, SLOT_LEFT, SLOT_RIGHT},
    {SDL_CONTROLLER_AXIS_LEFTY, SLOT_UP, SLOT_DOWN},
};
// A stick direction goes down at 3/8 of full travel and up at 1/4 (the plain joystick's dead
// zone): between the two it keeps its state, so a stick resting near the edge does not chatter.
constexpr int32_t STICK_PRESS = 12288;
constexpr int32_t STICK_RELEASE = 8192;

uint32_t slotBit(KeySlot slot) { return 1u << slot; }

int8_t stickDirection(int8_t held, int32_t value) {
  if (value >= STICK_PRESS || (held > 0 && value > STICK_RELEASE))
    return 1;
  if (value <= -STICK_PRESS || (held < 0 && value < -STICK_RELEASE))
    return -1;
  return 0;
}

uint32_t padSlots(const SdlGamepad& pad) {
  uint32_t slots = pad.buttonSlots;
  for (int axis = 0; axis < GAMEPAD_STICK_AXES; ++axis)
    if (pad.stick[axis])
      slots |= slotBit(pad.stick[axis] < 0 ? STICK_AXES[axis].negative : STICK_AXES[axis].positive);
  return slots;
}

// Sends the key-downs and key-ups that take the sent keys to what the pads now hold.
void sendChangedKeys() {
  SdlPlatform& sp = sdlPlatform;
  uint32_t held = 0;
  for (const SdlGamepad& pad : sp.gamepads)
    if (pad.controller)
      held |= padSlots(pad);
  const uint32_t changed = held ^ sp.gamepadKeys;
  for (int slot = 0; slot < SLOT_COUNT; ++slot)
    if (changed & slotBit(KeySlot(slot)))
      queueKeyMessage(SLOT_KEYS[slot], held & slotBit(KeySlot(slot)), false);
  sp.gamepadKeys = held;
}

SdlGamepad* padFor(SDL_JoystickID instance) {
  for (SdlGamepad& pad : sdlPlatform.gamepads)
    if (pad.controller && pad.instance == instance)
      return &pad;
  return nullptr;
}

SdlGamepad* freePad() {
  for (SdlGamepad& pad : sdlPlatform.gamepads)
    if (!pad.controller)
      return &pad;
  return nullptr;
}

void setButton(SdlGamepad& pad, uint8_t button, bool down) {
  for (const ButtonSlot& b : BUTTON_SLOTS)
    if (b.button == button)
      pad.buttonSlots = down ? pad.buttonSlots | slotBit(b.slot) : pad.buttonSlots & ~slotBit(b.slot);
}

void setAxis(SdlGamepad& pad, uint8_t axis, int32_t value) {
  for (int a = 0; a < GAMEPAD_STICK_AXES; ++a)
    if (STICK_AXES[a].axis == axis)
      pad.stick[a] = stickDirection(pad.stick[a], value);
}

// Opens a newly seen pad, starting from what it already holds.
void addPad(int deviceIndex) {
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (!controller)
    return;
  const SDL_JoystickID instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  SdlGamepad* pad = padFor(instance) ? nullptr : freePad();
  if (!pad) {
    // Already open (SDL counted a second opening), or no room left.
    SDL_GameControllerClose(controller);
    return;
  }
  *pad = SdlGamepad{controller, instance, 0, {}};
  for (const ButtonSlot& b : BUTTON_SLOTS)
    setButton(*pad, uint8_t(b.button), SDL_GameControllerGetButton(controller, b.button));
  for (const StickAxis& s : STICK_AXES)
    setAxis(*pad, uint8_t(s.axis), SDL_GameControllerGetAxis(controller, s.axis));
  sendChangedKeys();
}

void removePad(SDL_JoystickID instance) {
  SdlGamepad* pad = padFor(instance);
  if (!pad)
    return;
  SDL_GameControllerClose(pad->controller);
  *pad = SdlGamepad{};
  sendChangedKeys();
}
} // namespace

void translateGamepadEvent(const SDL_Event& event) {
  switch (event.type) {
  case SDL_CONTROLLERDEVICEADDED:
    addPad(event.cdevice.which); // a device index
    break;
  case SDL_CONTROLLERDEVICEREMOVED:
    removePad(event.cdevice.which); // an instance id
    break;
  case SDL_CONTROLLERBUTTONDOWN:
  case SDL_CONTROLLERBUTTONUP:
    if (SdlGamepad* pad = padFor(event.cbutton.which)) {
      setButton(*pad, event.cbutton.button, event.cbutton.state == SDL_PRESSED);
      sendChangedKeys();
    }
    break;
  case SDL_CONTROLLERAXISMOTION:
    if (SdlGamepad* pad = padFor(event.caxis.which)) {
      setAxis(*pad, event.caxis.axis, event.caxis.value);
      sendChangedKeys();
    }
    break;
  default:
    break;
  }
}

void closeGamepads() {
  SdlPlatform& sp = sdlPlatform;
  for (SdlGamepad& pad : sp.gamepads) {
    if (pad.controller)
      SDL_GameControllerClose(pad.controller);
    pad = SdlGamepad{};
  }
  sp.gamepadKeys = 0;
}
