#include "platform/win32/win32_platform.h"

#include <mmsystem.h>

// The capabilities record the emulator's joystick code is written for.
static_assert(sizeof(JOYCAPSA) == 404);

uint32_t platformJoystickCount() { return joyGetNumDevs(); }

bool platformJoystickRead(uint32_t id, JoystickPosition* position) {
  JOYINFO info = {};
  if (joyGetPos(id, &info) != JOYERR_NOERROR)
    return false;
  *position = JoystickPosition{info.wXpos, info.wYpos, info.wZpos, info.wButtons};
  return true;
}

bool platformJoystickLimits(uint32_t id, JoystickLimits* limits) {
  JOYCAPSA caps = {};
  if (joyGetDevCapsA(id, &caps, sizeof caps) != JOYERR_NOERROR)
    return false;
  *limits = JoystickLimits{caps.wXmin, caps.wXmax, caps.wYmin, caps.wYmax};
  return true;
}
