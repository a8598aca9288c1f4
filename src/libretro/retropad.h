// The RetroPad of port 0 as the board's keyboard: each button sends a virtual key of key_codes.h,
// so the pad drives the player port, autofire and the seven switches exactly as the keys do.
#pragma once
#include <cstdint>

#include "libretro.h"
#include "core/core.h"

struct PadButton {
  unsigned id;       // RETRO_DEVICE_ID_JOYPAD_*
  uint32_t keyCode;  // the key it stands for
  const char* description;
};

inline constexpr PadButton PAD_BUTTONS[] = {
    {RETRO_DEVICE_ID_JOYPAD_LEFT, VKEY_LEFT, "Left"},
    {RETRO_DEVICE_ID_JOYPAD_RIGHT, VKEY_RIGHT, "Right"},
    {RETRO_DEVICE_ID_JOYPAD_UP, VKEY_UP, "Up"},
    {RETRO_DEVICE_ID_JOYPAD_DOWN, VKEY_DOWN, "Down"},
    {RETRO_DEVICE_ID_JOYPAD_B, VKEY_SPACE, "Fire"},
    {RETRO_DEVICE_ID_JOYPAD_A, VKEY_MENU, "Button 2"},
    {RETRO_DEVICE_ID_JOYPAD_Y, VKEY_CONTROL, "Autofire"},
    {RETRO_DEVICE_ID_JOYPAD_L, VKEY_0 + 1, "Switch 1 (held)"},
    {RETRO_DEVICE_ID_JOYPAD_R, VKEY_0 + 2, "Switch 2 (held)"},
    {RETRO_DEVICE_ID_JOYPAD_SELECT, VKEY_0 + 3, "Switch 3 (held)"},
    {RETRO_DEVICE_ID_JOYPAD_START, VKEY_0 + 4, "Switch 4 (latch)"},
    {RETRO_DEVICE_ID_JOYPAD_X, VKEY_0 + 5, "Switch 5 (latch)"},
    {RETRO_DEVICE_ID_JOYPAD_L2, VKEY_0 + 6, "Switch 6 (latch)"},
    {RETRO_DEVICE_ID_JOYPAD_R2, VKEY_0 + 7, "Switch 7 (latch)"},
};
inline constexpr int PAD_BUTTON_COUNT = int(sizeof PAD_BUTTONS / sizeof PAD_BUTTONS[0]);

// The bits (1 << id) of every mapped button.
inline constexpr uint16_t padButtonMask() {
  uint16_t mask = 0;
  for (const PadButton& button : PAD_BUTTONS)
    mask |= uint16_t(1u << button.id);
  return mask;
}

// Reads the mapped buttons of port 0 through the front end's input callback, as bits 1 << id.
uint16_t readPad(retro_input_state_t inputState);
// Queues a key down or up for every mapped button whose bit differs between previous and current.
void queuePadChanges(uint16_t previous, uint16_t current);
// Names every mapped button to the front end (RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS).
void describePad(retro_environment_t environment);
