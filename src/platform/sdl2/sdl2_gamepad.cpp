// Gamepads through SDL's game-controller mappings, acting as the keyboard: each pad's buttons send
// the keys bound to them and its left stick the arrows; the keys held by any pad go down and up as
// the keyboard's would, so the host handles (and keys.bin records) a pad exactly like keys.
#include "platform/sdl2/sdl2_platform.h"

namespace {
// SDL's buttons by their place on the pad; the others (Guide) do nothing.
struct ButtonPlace {
  SDL_GameControllerButton button;
  GamepadButton place;
};
constexpr ButtonPlace BUTTON_PLACES[] = {
    {SDL_CONTROLLER_BUTTON_A, GAMEPAD_A},
    {SDL_CONTROLLER_BUTTON_B, GAMEPAD_B},
    {SDL_CONTROLLER_BUTTON_X, GAMEPAD_X},
    {SDL_CONTROLLER_BUTTON_Y, GAMEPAD_Y},
    {SDL_CONTROLLER_BUTTON_BACK, GAMEPAD_BACK},
    {SDL_CONTROLLER_BUTTON_START, GAMEPAD_START},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, GAMEPAD_LEFT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, GAMEPAD_RIGHT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, GAMEPAD_LEFT_STICK},
    {SDL_CONTROLLER_BUTTON_RIGHTSTICK, GAMEPAD_RIGHT_STICK},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, GAMEPAD_DPAD_LEFT},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, GAMEPAD_DPAD_RIGHT},
    {SDL_CONTROLLER_BUTTON_DPAD_UP, GAMEPAD_DPAD_UP},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, GAMEPAD_DPAD_DOWN},
};

struct StickAxis {
  SDL_GameControllerAxis axis;
  uint32_t negative, positive; // SDL's stick reads negative to the left and up
};
constexpr StickAxis STICK_AXES[GAMEPAD_STICK_AXES] = {
    {SDL_CONTROLLER_AXIS_LEFTX, VKEY_LEFT, VKEY_RIGHT},
    {SDL_CONTROLLER_AXIS_LEFTY, VKEY_UP, VKEY_DOWN},
};
// A stick direction goes down at 3/8 of full travel and up at 1/4 (the plain joystick's dead
// zone): between the two it keeps its state, so a stick resting near the edge does not chatter.
constexpr int32_t STICK_PRESS = 12288;
constexpr int32_t STICK_RELEASE = 8192;

void addKey(PadKeys& keys, uint32_t key) {
  if (key)
    keys.bits[key >> 6 & 3] |= uint64_t(1) << (key & 63);
}

bool hasKey(const PadKeys& keys, uint32_t key) { return keys.bits[key >> 6 & 3] >> (key & 63) & 1; }

int8_t stickDirection(int8_t held, int32_t value) {
  if (value >= STICK_PRESS || (held > 0 && value > STICK_RELEASE))
    return 1;
  if (value <= -STICK_PRESS || (held < 0 && value < -STICK_RELEASE))
    return -1;
  return 0;
}

void addPadKeys(const SdlGamepad& pad, PadKeys& keys) {
  for (int place = 0; place < GAMEPAD_BUTTON_COUNT; ++place)
    if (pad.buttons >> place & 1)
      addKey(keys, sdlPlatform.padKeys[place]);
  for (int axis = 0; axis < GAMEPAD_STICK_AXES; ++axis)
    if (pad.stick[axis])
      addKey(keys, pad.stick[axis] < 0 ? STICK_AXES[axis].negative : STICK_AXES[axis].positive);
}

// Sends the key-downs and key-ups that take the sent keys to what the pads now hold.
void sendChangedKeys() {
  SdlPlatform& sp = sdlPlatform;
  PadKeys held = {};
  for (const SdlGamepad& pad : sp.gamepads)
    if (pad.controller)
      addPadKeys(pad, held);
  for (uint32_t key = 1; key < uint32_t(KEY_CODES); ++key)
    if (hasKey(held, key) != hasKey(sp.gamepadKeys, key))
      queuePadKeyMessage(key, hasKey(held, key));
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
  for (const ButtonPlace& b : BUTTON_PLACES)
    if (b.button == button)
      pad.buttons = down ? pad.buttons | 1u << b.place : pad.buttons & ~(1u << b.place);
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
  for (const ButtonPlace& b : BUTTON_PLACES)
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
  sp.gamepadKeys = PadKeys{};
}

void platformBindGamepadButton(GamepadButton button, uint32_t keyCode) {
  if (button < GAMEPAD_BUTTON_COUNT)
    sdlPlatform.padKeys[button] = keyCode;
}
