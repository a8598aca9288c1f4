// Display output: the window, the exclusive display (or a desktop window) and the picture presented on it.
#pragma once
#include <cstdint>

#include "platform/platform.h"

struct DisplayContext {
  PlatformWindow window;
  uint8_t* lockedBits;               // back-buffer memory of the last successful lock
  int32_t lockedPitch;               // its bytes per row
  bool windowed;                     // the picture is shown in a desktop window, not full screen
  bool wideMode;                     // -640: 640x480 display
};

// Printed after "Failed to set screen mode" when the start goes on in a window.
inline constexpr char WINDOW_FALLBACK_TEXT[] = "Running in a window instead";
// The failure of entering the window.
inline constexpr char WINDOW_FAILURE_TEXT[] = "Failed to open the window";

extern DisplayContext displayContext;

// Opens the window (its messages to procedure) and sets up the display with the host palette, full
// screen or, when windowed is set or the full-screen mode is refused (said in two lines), in a
// window; false, with the failed step's message in message, on failure.
bool initDisplay(WindowProcedure procedure, char* message, int messageSize);
// Switches between the window and the full screen and shows the last picture again; null when it
// switched, else the failed step's message (the window stays).
const char* switchPresentation();
// Shows the composed picture outside the passes' presents (neither paced nor counted): after a switch
// between window and full screen, or a state loaded while paused.
void showPictureAgain();
// Copies the composed picture to x 32 of the back buffer and presents it; false when the lock failed.
bool showPicture();
// Locks the back buffer; null on failure (after "Lock failed").
uint8_t* lockBackBuffer();
// Unlocks the back buffer.
void unlockBackBuffer();
// Presents in the window, or full screen by a flip (a stretch in wide mode); reports "Flip failed" on failure.
void presentBackBuffer();
