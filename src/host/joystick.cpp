#include "host/joystick.h"

#include <cstdio>

#include "host/keyboard.h"

JoystickState joystickState = NO_JOYSTICK;

void detectJoystick() {
  joystickState.limits = JoystickLimits{};
  for (uint32_t id = 0; id < platformJoystickCount(); ++id) {
    JoystickPosition position;
    if (!platformJoystickRead(id, &position))
      continue;
    if (!platformJoystickLimits(id, &joystickState.limits))
      joystickState.limits = JoystickLimits{};
    printf("Using joystick.\n");
    joystickState.joystickId = int32_t(id);
    return;
  }
}

int32_t normaliseAxis(uint32_t position, uint32_t minimum, uint32_t maximum) {
  if (maximum == minimum)
    return 0;
  // The system's limits are 16-bit; 64-bit arithmetic keeps odd limits from overflowing.
  return int32_t((int64_t(position) - int64_t(minimum)) * 200 / (int64_t(maximum) - int64_t(minimum)) - 100);
}

void pollJoystick() {
  const JoystickState& js = joystickState;
  if (js.joystickId < 0)
    return;
  JoystickPosition position;
  if (!platformJoystickRead(uint32_t(js.joystickId), &position))
    return; // a failed read brings no change
  applyJoystick(normaliseAxis(position.x, js.limits.xMin, js.limits.xMax),
                normaliseAxis(position.y, js.limits.yMin, js.limits.yMax), position.buttons);
}
