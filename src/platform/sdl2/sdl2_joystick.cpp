// Joysticks through SDL, reported as the system's joystick services report them:
// axes 0..65535 around 32768, buttons 1 to 4 as masks 1, 2, 4, 8. Only devices without a
// game-controller mapping count here (id n is the n-th of them); pads with one send keys instead.
#include "platform/sdl2/sdl2_platform.h"

inline constexpr int JOYSTICK_BUTTONS = 4;
inline constexpr uint32_t AXIS_OFFSET = 32768; // SDL's -32768..32767 onto 0..65535
inline constexpr uint32_t AXIS_MAXIMUM = 65535;

// SDL's device index of the id-th joystick without a mapping; -1 when there are not that many.
static int plainDeviceIndex(uint32_t id) {
  // Starting the controller subsystem loads the mappings, and reports pads as they come and go.
  if (!ensureSdl(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER))
    return -1;
  uint32_t plain = 0;
  for (int index = 0; index < SDL_NumJoysticks(); ++index)
    if (!SDL_IsGameController(index) && plain++ == id)
      return index;
  return -1;
}

// The open device for an id; the first id read opens it, and it stays open for later reads.
static SDL_Joystick* joystickFor(uint32_t id) {
  SdlPlatform& sp = sdlPlatform;
  if (sp.joystick && sp.joystickId == id)
    return sp.joystick;
  const int deviceIndex = plainDeviceIndex(id);
  if (deviceIndex < 0)
    return nullptr;
  SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
  if (!joystick)
    return nullptr;
  if (sp.joystick && sp.joystick != joystick)
    SDL_JoystickClose(sp.joystick);
  sp.joystick = joystick;
  sp.joystickId = id;
  return joystick;
}

static uint32_t axisPosition(SDL_Joystick* joystick, int axis) {
  // A missing axis reads 0, the centre.
  return uint32_t(int32_t(SDL_JoystickGetAxis(joystick, axis)) + int32_t(AXIS_OFFSET));
}

uint32_t platformJoystickCount() {
  uint32_t count = 0;
  while (plainDeviceIndex(count) >= 0)
    ++count;
  return count;
}

bool platformJoystickRead(uint32_t id, JoystickPosition* position) {
  SDL_Joystick* joystick = joystickFor(id);
  if (!joystick)
    return false;
  SDL_JoystickUpdate();
  if (!SDL_JoystickGetAttached(joystick))
    return false;
  position->x = axisPosition(joystick, 0);
  position->y = axisPosition(joystick, 1);
  position->z = axisPosition(joystick, 2);
  position->buttons = 0;
  for (int button = 0; button < JOYSTICK_BUTTONS; ++button)
    if (SDL_JoystickGetButton(joystick, button))
      position->buttons |= 1u << button;
  return true;
}

bool platformJoystickLimits(uint32_t id, JoystickLimits* limits) {
  if (id >= platformJoystickCount())
    return false;
  *limits = JoystickLimits{0, AXIS_MAXIMUM, 0, AXIS_MAXIMUM};
  return true;
}
