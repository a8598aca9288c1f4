// The Win32 backend: a popup window, the thread's message queue, DirectDraw 1
// in an exclusive 8-bit full-screen mode, and the multimedia joystick services.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <ddraw.h>

#include "platform/platform.h"

struct Win32Platform {
  WindowProcedure procedure; // the emulator's window procedure
  HINSTANCE instance;
  WNDCLASSA windowClass;
  HWND window;
  // Time and cursor position of the last message taken, for translation and
  // dispatch of the message given back in the system's own form.
  DWORD messageTime;
  POINT messagePoint;
  IDirectDraw* directDraw;
  IDirectDrawSurface* primarySurface;
  IDirectDrawSurface* backBuffer;
  IDirectDrawPalette* palette;
  int modeWidth, modeHeight; // the display mode set
};

extern Win32Platform win32Platform;
