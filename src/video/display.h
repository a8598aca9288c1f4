// Display output: the window, the exclusive display and the picture presented on it.
#pragma once
#include <cstdint>

#include "platform/platform.h"

struct DisplayContext {
  PlatformWindow window;
  PaletteColour paletteEntries[256]; // the host palette: pal.bmp's colours
  uint8_t* lockedBits;               // back-buffer memory of the last successful lock
  int32_t lockedPitch;               // its bytes per row
  uint32_t passCount;                // passes whose input was taken (frame ends since start)
};

extern DisplayContext displayContext;

// Opens the window (its messages to procedure) and sets up the display with the host palette; false,
// with the failed step's message in message, on failure.
bool initDisplay(WindowProcedure procedure, char* message, int messageSize);
// Copies the composed picture to x 32 of the back buffer and presents it; false when the lock failed.
bool showPicture();
// Locks the back buffer; null on failure (after "Lock failed").
uint8_t* lockBackBuffer();
// Unlocks the back buffer.
void unlockBackBuffer();
// Flips, or stretches in wide mode; reports "Flip failed" on failure.
void presentBackBuffer();
