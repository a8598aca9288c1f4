#include "video/display.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/frame_loop.h"
#include "host/controls.h"
#include "host/input_log.h"
#include "host/joystick.h"
#include "host/message_pump.h"
#include "host/save_state.h"
#include "host/on_screen.h"
#include "host/window_proc.h"
#include "video/compose.h"
#include "video/frame_store.h"
#include "video/palette.h"
#include "video/screenshot.h"

DisplayContext displayContext;
FrameStore frameStore;

static void failDisplay(const char* message) {
  printf("%s", message);
  exit(1);
}

void initDisplay() {
  buildColourTable();
  DisplayContext& dc = displayContext;
  dc.window = platformCreateWindow(windowProc, "Vortane", "Gfx Output", 320, 240);
  if (platformCreateDisplay() != PLATFORM_OK || platformSetCooperativeLevel(dc.window) != PLATFORM_OK)
    failDisplay("Direct draw failed to initialize\n");
  const bool wide = frameLoopState.wideMode;
  if (platformSetDisplayMode(wide ? 640 : 320, wide ? 480 : 240, 8) != PLATFORM_OK)
    failDisplay("Failed to set screen mode\n");
  if (platformCreatePrimarySurface() != PLATFORM_OK)
    failDisplay("Direct draw failed to create primary surface\n");
  if (platformGetBackBuffer() != PLATFORM_OK)
    failDisplay("Direct draw failed to create secondary surface\n");
  if (platformCreatePalette(dc.paletteEntries) != PLATFORM_OK)
    failDisplay("Create palette failed\n");
  if (platformSetPalette() != PLATFORM_OK)
    failDisplay("Set palette failed\n");
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

// While fast-forwarding, a pass is shown only when a display period has passed since the last one shown.
static bool presentDue() {
  if (!hostControls.fastForward)
    return true;
  const double now = steadySeconds();
  if (now - displayContext.lastPresentSeconds < FAST_FORWARD_PRESENT_SECONDS)
    return false;
  displayContext.lastPresentSeconds = now;
  return true;
}

void renderFrame() {
  do {
    platformPassStarting(displayContext.passCount + 1);
    pumpMessages();
    pollJoystick();
    replayInputs();
    logInputs();
    ++displayContext.passCount;
    composeFrame();
    if (presentDue()) {
      uint8_t* bits = lockBackBuffer();
      if (!bits)
        return;
      copyVisibleWindow(bits, displayContext.lockedPitch);
      unlockBackBuffer();
      presentBackBuffer();
      if (hostControls.spriteInspector) {
        char text[16];
        const int length = snprintf(text, sizeof text, "%d   ", hostControls.inspectedSlot);
        platformDrawText(displayContext.window, text, length);
      }
      refreshOverlay();
    }
    saveStateAfterPass(displayContext.passCount); // quillomark-headless --save-state
    if (hostControls.frameShotsOn)
      writeFrameShot();
  } while (hostControls.spriteInspector);
}
