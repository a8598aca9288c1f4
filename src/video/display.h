// Display output and the frame routine.
#pragma once
#include <cstdint>

#include "platform/platform.h"

struct DisplayContext {
  PlatformWindow window;
  PaletteColour paletteEntries[256]; // the host palette: pal.bmp's colours
  uint8_t* lockedBits;               // back-buffer memory of the last successful lock
  int32_t lockedPitch;               // its bytes per row
  uint32_t passCount;                // passes of renderFrame whose input was taken
  double lastPresentSeconds;         // steady-clock time of the last present while fast-forwarding
};

// While fast-forwarding, passes are presented at most once per this many seconds.
inline constexpr double FAST_FORWARD_PRESENT_SECONDS = 1.0 / PRESENT_RATE;

extern DisplayContext displayContext;

// Builds the colour table, opens the window and sets up the display; exits 1 on failure.
void initDisplay();
// One pass (repeated while the sprite inspector is on): input, composition, presentation.
void renderFrame();
// Locks the back buffer; null on failure (after "Lock failed").
uint8_t* lockBackBuffer();
// Unlocks the back buffer.
void unlockBackBuffer();
// Flips, or stretches in wide mode; reports "Flip failed" on failure.
void presentBackBuffer();
