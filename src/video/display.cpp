#include "video/display.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/frame_loop.h"
#include "video/frame_store.h"

DisplayContext displayContext;
FrameStore frameStore;

// The display's set-up steps in order, each with the message of its failure.
struct DisplayStep {
  int32_t (*run)();
  const char* failure;
};

static int32_t createDisplay() {
  const int32_t result = platformCreateDisplay();
  return result != PLATFORM_OK ? result : platformSetCooperativeLevel(displayContext.window);
}
static int32_t setMode() {
  const bool wide = frameLoopState.wideMode;
  return platformSetDisplayMode(wide ? 640 : 320, wide ? 480 : 240, 8);
}
static int32_t createPalette() { return platformCreatePalette(displayContext.paletteEntries); }

static const DisplayStep DISPLAY_STEPS[] = {
    {createDisplay, "Direct draw failed to initialize"},
    {setMode, "Failed to set screen mode"},
    {platformCreatePrimarySurface, "Direct draw failed to create primary surface"},
    {platformGetBackBuffer, "Direct draw failed to create secondary surface"},
    {createPalette, "Create palette failed"},
    {platformSetPalette, "Set palette failed"},
};

bool initDisplay(WindowProcedure procedure, char* message, int messageSize) {
  displayContext.window = platformCreateWindow(procedure, "Vortane", "Gfx Output", 320, 240);
  for (const DisplayStep& step : DISPLAY_STEPS)
    if (step.run() != PLATFORM_OK) {
      snprintf(message, size_t(messageSize), "%s", step.failure);
      return false;
    }
  return true;
}

uint8_t* lockBackBuffer() {
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  const int32_t result = platformLockBackBuffer(&bits, &pitch);
  if (result != PLATFORM_OK) {
    printf("Lock failed\n");
    if (result == PLATFORM_SURFACE_LOST)
      platformRestoreSurfaces();
    return nullptr;
  }
  displayContext.lockedBits = bits;
  displayContext.lockedPitch = pitch;
  return bits;
}

void unlockBackBuffer() { platformUnlockBackBuffer(displayContext.lockedBits); }

void presentBackBuffer() {
  int32_t result;
  if (frameLoopState.wideMode) {
    // The 256x240 picture at x 32 is stretched over the whole 640x480 screen.
    const PlatformRect destination = {0, 0, 640, 480};
    const PlatformRect source = {SCREEN_X, 0, SCREEN_X + VISIBLE_WIDTH, VISIBLE_HEIGHT};
    result = platformStretchBlit(&destination, &source);
  } else {
    result = platformFlip();
  }
  if (result != PLATFORM_OK) {
    printf("Flip failed\n");
    if (result == PLATFORM_SURFACE_LOST)
      platformRestoreSurfaces();
  }
}

static void copyVisibleWindow(uint8_t* bits, int32_t pitch) {
  for (int r = 0; r < VISIBLE_HEIGHT; ++r)
    memcpy(bits + ptrdiff_t(r) * pitch + SCREEN_X, frameLine(r + VISIBLE_FIRST_LINE), VISIBLE_WIDTH);
}

bool showPicture() {
  uint8_t* bits = lockBackBuffer();
  if (!bits)
    return false;
  copyVisibleWindow(bits, displayContext.lockedPitch);
  unlockBackBuffer();
  presentBackBuffer();
  return true;
}
