// The Win32 backend: a popup window, the thread's message queue, DirectDraw 1
// in an exclusive 8-bit full-screen mode, and the multimedia joystick services.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <ddraw.h>

#include <deque>

#include "platform/platform.h"

// The finest timer period asked of the system for the pacing waits, in milliseconds.
inline constexpr UINT TIMER_PERIOD_MS = 1;
// Longest time a console event's handler waits for the orderly end before the system takes over.
inline constexpr DWORD CONSOLE_END_WAIT_MS = 5000;

struct Win32Platform {
  WindowProcedure procedure; // the emulator's window procedure
  HINSTANCE instance;
  WNDCLASSA windowClass;
  HWND window;               // null once it is being destroyed
  // Time and cursor position of the last message taken, for translation and
  // dispatch of the message given back in the system's own form.
  DWORD messageTime;
  POINT messagePoint;
  // Messages taken from the system's queue while the board's program hung, in
  // their order; the next pump delivers them before any newer one.
  std::deque<MSG> heldMessages;
  IDirectDraw* directDraw;
  IDirectDrawSurface* primarySurface;
  IDirectDrawSurface* backBuffer;
  IDirectDrawPalette* palette;
  int modeWidth, modeHeight; // the display mode set
  // Pacing (Flip waits for the vertical blank only on some displays, Blt never): performance-counter
  // ticks a second for the shared pacer.
  int64_t counterFrequency;
  bool timerPeriodSet;       // timeBeginPeriod is in force
  char overlay[OVERLAY_TEXT_SIZE]; // the on-screen message line (empty: none)
};

extern Win32Platform win32Platform;

// Draws the on-screen message line at the bottom-left of the window, if there is one.
void drawOverlayLine();

// Waits out the rest of the present period when the pass came early.
void pacePresent();
// Lets go of the DirectDraw objects and the fine timer period; the desktop's mode comes back.
void releaseDisplay();
