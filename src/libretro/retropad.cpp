#include "libretro/retropad.h"

#include "core/core.h"

uint16_t readPad(retro_input_state_t inputState) {
  uint16_t buttons = 0;
  for (const PadButton& button : PAD_BUTTONS)
    if (inputState(0, RETRO_DEVICE_JOYPAD, 0, button.id))
      buttons |= uint16_t(1u << button.id);
  return buttons;
}

void queuePadChanges(uint16_t previous, uint16_t current) {
  const uint16_t changed = previous ^ current;
  if (!changed)
    return;
  for (const PadButton& button : PAD_BUTTONS)
    if (changed & (1u << button.id))
      coreQueueKey(button.keyCode, (current >> button.id) & 1);
}

void describePad(retro_environment_t environment) {
  retro_input_descriptor descriptors[PAD_BUTTON_COUNT + 1] = {};
  for (int i = 0; i < PAD_BUTTON_COUNT; ++i)
    descriptors[i] = {0, RETRO_DEVICE_JOYPAD, 0, PAD_BUTTONS[i].id, PAD_BUTTONS[i].description};
  environment(RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS, descriptors);
}
