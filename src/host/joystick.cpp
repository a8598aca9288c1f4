#include "host/joystick.h"

#include <cstdio>

#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"

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
  JoystickState& js = joystickState;
  if (js.joystickId < 0)
    return;
  JoystickPosition position;
  if (!platformJoystickRead(uint32_t(js.joystickId), &position))
    return; // a failed read brings no change
  uint8_t& port = machineMemory[PLAYER_INPUTS_ADDRESS];
  const int32_t x = normaliseAxis(position.x, js.limits.xMin, js.limits.xMax);
  const int32_t y = normaliseAxis(position.y, js.limits.yMin, js.limits.yMax);
  if (x != js.lastAxisX || y != js.lastAxisY) {
    port &= ~(INPUT_LEFT | INPUT_RIGHT | INPUT_UP | INPUT_DOWN);
    if (x < -AXIS_DEAD_ZONE) port |= INPUT_LEFT;
    if (x > AXIS_DEAD_ZONE) port |= INPUT_RIGHT;
    if (y < -AXIS_DEAD_ZONE) port |= INPUT_UP;
    if (y > AXIS_DEAD_ZONE) port |= INPUT_DOWN;
    js.lastAxisX = x;
    js.lastAxisY = y;
  }
  if (position.buttons != uint32_t(js.lastButtons)) {
    hostControls.autofire = position.buttons & 1;
    if (!(position.buttons & 1)) {
      port &= ~INPUT_BUTTON2;
      port &= ~INPUT_FIRE;
    }
    if (position.buttons & 2)
      port |= INPUT_FIRE;
    else
      port &= ~INPUT_FIRE;
    js.lastButtons = uint16_t(position.buttons);
  }
}
