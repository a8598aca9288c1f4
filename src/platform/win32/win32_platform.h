// The Win32 backend: a popup window, the thread's message queue, DirectDraw 1
// in an exclusive 8-bit full-screen mode or a normal window drawn with GDI,
// and the multimedia joystick services.
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
// The window's back buffer room: the larger mode.
inline constexpr int WINDOW_BUFFER_WIDTH = 640;
inline constexpr int WINDOW_BUFFER_HEIGHT = 480;

// An 8-bit device-independent bitmap's header and its colour table: the host palette.
struct PaletteBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

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
  uint32_t resetKey = VKEY_F1; // the key-down taken even while the board's program hangs
  IDirectDraw* directDraw;
  IDirectDrawSurface* primarySurface;
  IDirectDrawSurface* backBuffer;
  IDirectDrawPalette* palette;
  int modeWidth, modeHeight; // the display mode set
  // The window (instead of the full screen): a memory back buffer drawn with GDI through the palette.
  bool windowed;
  PlatformRect windowPicture;    // the back buffer's rectangle the window shows
  RECT windowPlace;              // the window's place when the full screen was last taken (empty: none)
  int bufferWidth, bufferHeight; // the back buffer's size (its pitch is the width)
  uint8_t windowBuffer[WINDOW_BUFFER_WIDTH * WINDOW_BUFFER_HEIGHT];
  PaletteBitmapInfo bitmapInfo;  // the window picture's rows as a top-down bitmap
  bool repeatPresents;           // presents show the last picture again: not paced
  EndRoutine endRoutine;         // the program's orderly end, for the session's end
  // Pacing (Flip waits for the vertical blank only on some displays, Blt never): performance-counter
  // ticks a second for the shared pacer.
  int64_t counterFrequency;
  bool timerPeriodSet;       // timeBeginPeriod is in force
  char overlay[OVERLAY_TEXT_SIZE]; // the on-screen message line (empty: none)
  char panel[PANEL_TEXT_SIZE];     // the lines over the picture's top-left (empty: none)
  int windowScale;                 // the largest scale a window starts at (0: WINDOW_START_SCALE)
};

extern Win32Platform win32Platform;

// Draws the on-screen message line at the bottom-left of the picture, if there is one.
void drawOverlayLine();
// The same on a device context of the window.
void drawOverlayOn(HDC dc);

// Waits out the rest of the present period when the pass came early (not for a repeat).
void pacePresent();
// Where the window shows its picture: the client area's whole-number scaling of it, centred.
RECT windowPictureRect();
// Where the picture is on the window: its place in the window, or the whole full-screen mode.
RECT shownPictureRect();
// Draws the window's picture, black around it, and the message line over it.
void paintWindow(HDC dc);
// Lets go of the DirectDraw objects and the fine timer period; the desktop's mode comes back.
void releaseDisplay();
