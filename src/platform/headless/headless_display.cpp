#include <cstring>

#include "files/file_write.h"
#include "platform/headless/headless.h"

// Returns the failure asked for this step, or PLATFORM_OK.
static int32_t stepResult(HeadlessStep step) {
  HeadlessFailure& failure = headlessPlatform.failures[step];
  if (failure.remaining == 0)
    return PLATFORM_OK;
  --failure.remaining;
  return failure.result;
}

void headlessFail(HeadlessStep step, int32_t result, uint32_t count) {
  headlessPlatform.failures[step] = HeadlessFailure{result, count};
}

int32_t platformCreateDisplay() { return stepResult(STEP_CREATE_DISPLAY); }
int32_t platformSetCooperativeLevel(PlatformWindow) {
  const int32_t result = stepResult(STEP_COOPERATIVE_LEVEL);
  if (result == PLATFORM_OK)
    headlessPlatform.windowed = false;
  return result;
}

int32_t platformEnterWindow(int width, int height, const PlatformRect*) {
  const int32_t result = stepResult(STEP_ENTER_WINDOW);
  if (result == PLATFORM_OK && width <= HEADLESS_MAX_WIDTH && height <= HEADLESS_MAX_HEIGHT) {
    headlessPlatform.width = width;
    headlessPlatform.height = height;
    headlessPlatform.windowed = true;
  }
  return result;
}

int32_t platformSetDisplayMode(int width, int height, int) {
  const int32_t result = stepResult(STEP_DISPLAY_MODE);
  if (result == PLATFORM_OK && width <= HEADLESS_MAX_WIDTH && height <= HEADLESS_MAX_HEIGHT) {
    headlessPlatform.width = width;
    headlessPlatform.height = height;
  }
  return result;
}

int32_t platformCreatePrimarySurface() { return stepResult(STEP_PRIMARY_SURFACE); }
int32_t platformGetBackBuffer() { return stepResult(STEP_BACK_BUFFER); }

int32_t platformCreatePalette(const PaletteColour entries[256]) {
  memcpy(headlessPlatform.palette, entries, sizeof headlessPlatform.palette);
  return stepResult(STEP_CREATE_PALETTE);
}

int32_t platformSetPalette() { return stepResult(STEP_SET_PALETTE); }

int32_t platformLockBackBuffer(uint8_t** bits, int32_t* pitch) {
  const int32_t result = stepResult(STEP_LOCK);
  if (result == PLATFORM_OK) {
    *bits = headlessPlatform.backBuffer;
    *pitch = headlessPlatform.width;
  }
  return result;
}

int32_t platformUnlockBackBuffer(uint8_t*) { return PLATFORM_OK; }

static void recordPresent(const uint8_t* picture, int pitch) {
  HeadlessPlatform& hp = headlessPlatform;
  if (hp.repeatPresents) {
    ++hp.repeatCount;
    return;
  }
  ++hp.presentCount;
  if (hp.digestFile &&
      fprintf(hp.digestFile, "%u %016llx\n", hp.currentPass, (unsigned long long)pictureDigest(picture, pitch)) < 0)
    reportWriteFailure(FILE_DIGESTS, hp.digestPath);
}

int32_t platformFlip() {
  HeadlessPlatform& hp = headlessPlatform;
  const int32_t result = stepResult(STEP_PRESENT);
  if (result != PLATFORM_OK)
    return result;
  memcpy(hp.presented, hp.backBuffer, size_t(hp.width) * hp.height);
  recordPresent(hp.backBuffer, hp.width);
  return result;
}

// The window shows the back buffer as the flip does; the digest is of the same picture.
int32_t platformPresentWindow() { return platformFlip(); }

void platformSetPresentRepeat(bool repeat) { headlessPlatform.repeatPresents = repeat; }

int32_t platformStretchBlit(const PlatformRect* destination, const PlatformRect* source) {
  HeadlessPlatform& hp = headlessPlatform;
  const int32_t result = stepResult(STEP_PRESENT);
  if (result != PLATFORM_OK)
    return result;
  const int dw = destination->right - destination->left, dh = destination->bottom - destination->top;
  const int sw = source->right - source->left, sh = source->bottom - source->top;
  for (int y = 0; y < dh && destination->top + y < hp.height; ++y)
    for (int x = 0; x < dw && destination->left + x < hp.width; ++x)
      hp.presented[(destination->top + y) * hp.width + destination->left + x] =
          hp.backBuffer[(source->top + y * sh / dh) * hp.width + source->left + x * sw / dw];
  recordPresent(hp.backBuffer, hp.width);
  return result;
}

int32_t platformRestoreSurfaces() {
  ++headlessPlatform.restoreCount;
  return PLATFORM_OK;
}

void platformDrawText(PlatformWindow, const char* text, int length) {
  const int n = length < int(sizeof headlessPlatform.text) - 1 ? length : int(sizeof headlessPlatform.text) - 1;
  memcpy(headlessPlatform.text, text, size_t(n));
  headlessPlatform.text[n] = 0;
}

// Nothing is shown and nothing is paced here: the message line and the pacing have no effect.
void platformShowOverlay(const char*) {}
void platformSetPresentWait(bool) {}
void platformSetWindowScale(int) {}

void platformShowPanel(const char* text) { headlessPlatform.panel = text; }

// Pads are the desktop's; the binding is kept for the tests to see.
void platformBindGamepadButton(GamepadButton button, uint32_t keyCode) {
  if (button < GAMEPAD_BUTTON_COUNT)
    headlessPlatform.padKeys[button] = keyCode;
}
