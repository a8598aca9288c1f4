#include "host/keyboard.h"

#include "driver/board.h"
#include "driver/memory.h"
#include "host/key_codes.h"

BoardInputs boardInputs;

namespace {
enum KeyAction : uint8_t { KEY_HOLD, KEY_TOGGLE, KEY_AUTOFIRE };
struct KeyBinding {
  uint32_t keyCode;
  KeyAction action;
  uint32_t address; // input-port byte
  uint8_t mask;
};
// Keys that drive the input ports; every other code from 13 to 55 does nothing.
constexpr KeyBinding KEY_BINDINGS[] = {
    {VKEY_RETURN, KEY_HOLD, PLAYER_INPUTS_ADDRESS, INPUT_FIRE},
    {VKEY_SHIFT, KEY_HOLD, PLAYER_INPUTS_ADDRESS, INPUT_FIRE},
    {VKEY_SPACE, KEY_HOLD, PLAYER_INPUTS_ADDRESS, INPUT_FIRE},
    {VKEY_CONTROL, KEY_AUTOFIRE, PLAYER_INPUTS_ADDRESS, INPUT_BUTTON2 | INPUT_FIRE},
    {VKEY_MENU, KEY_HOLD, PLAYER_INPUTS_ADDRESS, INPUT_BUTTON2},
    {VKEY_LEFT, KEY_HOLD, PLAYER_INPUTS_ADDRESS, INPUT_LEFT},
    {VKEY_UP, KEY_HOLD, PLAYER_INPUTS_ADDRESS, INPUT_UP},
    {VKEY_RIGHT, KEY_HOLD, PLAYER_INPUTS_ADDRESS, INPUT_RIGHT},
    {VKEY_DOWN, KEY_HOLD, PLAYER_INPUTS_ADDRESS, INPUT_DOWN},
    {0x31, KEY_HOLD, SWITCH_INPUTS_ADDRESS, 0x08},
    {0x32, KEY_HOLD, SWITCH_INPUTS_ADDRESS, 0x10},
    {0x33, KEY_HOLD, SWITCH_INPUTS_ADDRESS, 0x04},
    {0x34, KEY_TOGGLE, SWITCH_INPUTS_ADDRESS, 0x10},
    {0x35, KEY_TOGGLE, SWITCH_INPUTS_ADDRESS, 0x20},
    {0x36, KEY_TOGGLE, SWITCH_INPUTS_ADDRESS, 0x40},
    {0x37, KEY_TOGGLE, SWITCH_INPUTS_ADDRESS, 0x80},
};
} // namespace

void applyKey(uint32_t keyCode, uint32_t pressed) {
  if (keyCode < 13 || keyCode > 55)
    return;
  for (const KeyBinding& binding : KEY_BINDINGS) {
    if (binding.keyCode != keyCode)
      continue;
    uint8_t& port = hostByte(binding.address);
    switch (binding.action) {
    case KEY_HOLD:
      port = pressed ? (port | binding.mask) : (port & ~binding.mask);
      break;
    case KEY_TOGGLE:
      if (pressed)
        port ^= binding.mask;
      break;
    case KEY_AUTOFIRE:
      // Pressing only arms autofire; releasing it clears bit 5, then bit 4.
      boardInputs.autofire = pressed ? 1 : 0;
      if (!pressed)
        port &= ~binding.mask;
      break;
    }
    return;
  }
}

void stepAutofire() {
  if (boardInputs.autofire) {
    uint8_t& port = hostByte(PLAYER_INPUTS_ADDRESS);
    port ^= INPUT_BUTTON2;
    port ^= INPUT_FIRE;
  }
}

void applyJoystick(int32_t x, int32_t y, uint32_t buttons) {
  BoardInputs& in = boardInputs;
  uint8_t& port = hostByte(PLAYER_INPUTS_ADDRESS);
  if (x != in.joystickAxisX || y != in.joystickAxisY) {
    port &= ~(INPUT_LEFT | INPUT_RIGHT | INPUT_UP | INPUT_DOWN);
    if (x < -AXIS_DEAD_ZONE) port |= INPUT_LEFT;
    if (x > AXIS_DEAD_ZONE) port |= INPUT_RIGHT;
    if (y < -AXIS_DEAD_ZONE) port |= INPUT_UP;
    if (y > AXIS_DEAD_ZONE) port |= INPUT_DOWN;
    in.joystickAxisX = x;
    in.joystickAxisY = y;
  }
  if (buttons != uint32_t(in.joystickButtons)) {
    in.autofire = buttons & 1;
    if (!(buttons & 1)) {
      port &= ~INPUT_BUTTON2;
      port &= ~INPUT_FIRE;
    }
    if (buttons & 2)
      port |= INPUT_FIRE;
    else
      port &= ~INPUT_FIRE;
    in.joystickButtons = uint16_t(buttons);
  }
}
