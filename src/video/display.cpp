#include "video/display.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/frame_loop.h"
#include "video/frame_store.h"
#include "video/palette.h"

DisplayContext displayContext;


// The display's set-up steps in order, each with the message of its failure.
struct DisplayStep {
  int32_t (*run)();
  const char* failure;
};

// The display mode's size, which is the back buffer's in the window too: 320x240, or 640x480 wide.
static int modeWidth() { return displayContext.wideMode ? 640 : 320; }
static int modeHeight() { return displayContext.wideMode ? 480 : 240; }

static int32_t setCooperativeLevel() { return platformSetCooperativeLevel(displayContext.window); }
static int32_t setMode() { return platformSetDisplayMode(modeWidth(), modeHeight(), 8); }
static int32_t createPalette() { return platformCreatePalette(colourTables.hostPalette); }

// The visible 256x240 picture in the back buffer, at x 32 in either mode: what the window shows and
// wide mode stretches.
static const PlatformRect PICTURE_IN_BUFFER = {SCREEN_X, 0, SCREEN_X + VISIBLE_WIDTH, VISIBLE_HEIGHT};
static int32_t enterWindow() { return platformEnterWindow(modeWidth(), modeHeight(), &PICTURE_IN_BUFFER); }

// The full screen: the exclusive level, the mode and the flipping chain.
static const DisplayStep FULL_SCREEN_STEPS[] = {
    {setCooperativeLevel, "Direct draw failed to initialize"},
    {setMode, "Failed to set screen mode"},
    {platformCreatePrimarySurface, "Direct draw failed to create primary surface"},
    {platformGetBackBuffer, "Direct draw failed to create secondary surface"},
};
static const DisplayStep& MODE_STEP = FULL_SCREEN_STEPS[1];
static const char* const CREATE_FAILURE = FULL_SCREEN_STEPS[0].failure;
static const DisplayStep WINDOW_STEPS[] = {{enterWindow, WINDOW_FAILURE_TEXT}};
// Either way, the host palette.
static const DisplayStep PALETTE_STEPS[] = {
    {createPalette, "Create palette failed"},
    {platformSetPalette, "Set palette failed"},
};

// The steps in order up to the first failure, which is returned; null when all succeeded.
template <size_t N> static const DisplayStep* runSteps(const DisplayStep (&steps)[N]) {
  for (const DisplayStep& step : steps)
    if (step.run() != PLATFORM_OK)
      return &step;
  return nullptr;
}

// Takes the window or the full screen, then the palette; the step that failed, or null.
static const DisplayStep* takePresentation(bool windowed) {
  displayContext.windowed = windowed;
  const DisplayStep* failed = windowed ? runSteps(WINDOW_STEPS) : runSteps(FULL_SCREEN_STEPS);
  return failed ? failed : runSteps(PALETTE_STEPS);
}

static bool fail(const char* failure, char* message, int messageSize) {
  snprintf(message, size_t(messageSize), "%s", failure);
  return false;
}

bool initDisplay(WindowProcedure procedure, char* message, int messageSize) {
  displayContext.window = platformCreateWindow(procedure, "Vortane", "Gfx Output", 320, 240);
  if (platformCreateDisplay() != PLATFORM_OK)
    return fail(CREATE_FAILURE, message, messageSize);
  const DisplayStep* failed = takePresentation(displayContext.windowed);
  if (failed == &MODE_STEP) {
    // Few systems still offer an 8-bit mode of this size: the picture goes to a window.
    printf("%s\n%s\n", failed->failure, WINDOW_FALLBACK_TEXT);
    fflush(stdout);
    failed = takePresentation(true);
  }
  return !failed || fail(failed->failure, message, messageSize);
}

void showPictureAgain() {
  platformSetPresentRepeat(true);
  showPicture();
  platformSetPresentRepeat(false);
}

const char* switchPresentation() {
  const DisplayStep* failed = takePresentation(!displayContext.windowed);
  if (failed && !displayContext.windowed) {
    // The full screen was refused: back to the window.
    if (const DisplayStep* again = takePresentation(true))
      return again->failure;
  }
  showPictureAgain();
  return failed ? failed->failure : nullptr;
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
  if (displayContext.windowed) {
    result = platformPresentWindow();
  } else if (displayContext.wideMode) {
    // The 256x240 picture at x 32 is stretched over the whole 640x480 screen.
    const PlatformRect destination = {0, 0, modeWidth(), modeHeight()};
    result = platformStretchBlit(&destination, &PICTURE_IN_BUFFER);
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
