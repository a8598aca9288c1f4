// Short messages over the presented picture: what a key just did ("State saved", "Snapshot
// written"), for MESSAGE_SECONDS; "Paused" for as long as the pause lasts; "Fast forward" while it
// is held. And the controls list, while the player asks for it.
#pragma once

#include "platform/platform.h"

inline constexpr double MESSAGE_SECONDS = 2.0;

struct OnScreen {
  const char* held;          // why the machine is held, shown before anything else (null: it runs)
  const char* message;       // the last timed message (null: none)
  double messageUntil;       // steady-clock time it goes
  char shown[OVERLAY_TEXT_SIZE]; // what the backend shows now (empty: nothing)
  bool controlsShown;        // the controls list is over the picture (H)
};

extern OnScreen onScreen;

// Shows text for MESSAGE_SECONDS (a string that lives for the run).
void showMessage(const char* text);
// Shows text for as long as the machine is held by it (a string that lives for the run; null: no longer held).
void showHeld(const char* text);
// Shows the controls list over the picture, or takes it away when it shows.
void toggleControls();
// Hands the backend what should show now, when that changed: the pause, a timed message, fast forward.
void refreshOverlay();
