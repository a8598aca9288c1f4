// The desktop programs' controls: the flags their keys set.
#pragma once
#include <cstdint>

#include "platform/platform.h"

struct HostControls {
  uint32_t appActive;       // follows WM_ACTIVATEAPP; the pump waits while 0
  uint32_t frameShotsOn;    // F11: per-frame screenshots
  bool paused;              // P or Pause: no pass runs until resumed
  bool stepRequested;       // N while paused: run exactly one pass
  bool fastForward;         // Backspace held: passes run as fast as they can, presented at most 60 a second
  double lastPresentSeconds; // steady-clock time of the last present while fast-forwarding
  int32_t stateSlot;        // F7/F8: the save slot F2 and F3 use (0: state.qms)
  bool rewinding;           // R held: passes run backwards through the kept states
  bool rewindOn;            // the desktop programs keep the passes just played for R; the headless one never
  bool viewsAtStart;        // --views: the views window opens once the display is up
};

inline constexpr int32_t STATE_SLOTS = 10;

extern HostControls hostControls;
