// Host-side controls: the input-port bits and the flags the keyboard and joystick set.
#pragma once
#include <cstdint>

#include "platform/platform.h"

// Bits of the player input port.
inline constexpr uint8_t INPUT_LEFT = 0x01;
inline constexpr uint8_t INPUT_RIGHT = 0x02;
inline constexpr uint8_t INPUT_UP = 0x04;
inline constexpr uint8_t INPUT_DOWN = 0x08;
inline constexpr uint8_t INPUT_FIRE = 0x10;   // Enter, Shift, Space, joystick button 2
inline constexpr uint8_t INPUT_BUTTON2 = 0x20; // Alt

struct HostControls {
  uint32_t appActive;       // follows WM_ACTIVATEAPP; the pump waits while 0
  uint32_t autofire;        // Ctrl or joystick button 1 held
  uint32_t spriteInspector; // key I: hold emulation, show one sprite entry
  uint8_t inspectedSlot;    // F5/F6: sprite scan index shown by the inspector
  uint32_t frameShotsOn;    // F11: per-frame screenshots
  bool paused;              // P or Pause: no pass runs until resumed
  bool stepRequested;       // N while paused: run exactly one pass
  bool fastForward;         // Backspace held: passes run as fast as they can, presented at most 60 a second
  double lastPresentSeconds; // steady-clock time of the last present while fast-forwarding
  int32_t stateSlot;        // F7/F8: the save slot F2 and F3 use (0: state.qms)
  bool rewinding;           // R held: passes run backwards through the kept states
  bool holdShortTaps;       // the desktop programs: a key let go in the pump that saw it pressed waits
  bool releaseHeld;         // a held-back release waits for the next pump
  PlatformMessage heldRelease; // that release
};

inline constexpr int32_t STATE_SLOTS = 10;

extern HostControls hostControls;
