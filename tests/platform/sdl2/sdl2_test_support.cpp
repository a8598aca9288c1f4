#include "platform/sdl2/sdl2_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/core.h"
#include "core/records.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "platform/sdl2/sdl2_platform.h"

std::vector<RecordedMessage> recordedMessages;

intptr_t recordingProcedure(PlatformWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  recordedMessages.push_back(RecordedMessage{message, wParam, lParam});
  if (message == MSG_CLOSE)
    return platformDefaultWindowProc(window, message, wParam, lParam);
  return 0;
}

void clearRecording() { recordedMessages.clear(); }

void openDisplay(WindowProcedure procedure, int width, int height, const PaletteColour palette[256]) {
  sdlReset();
  const PlatformWindow window = platformCreateWindow(procedure, "Vortane", "Gfx Output", 320, 240);
  ASSERT_NE(window, nullptr) << SDL_GetError();
  ASSERT_EQ(platformCreateDisplay(), PLATFORM_OK) << SDL_GetError();
  ASSERT_EQ(platformSetCooperativeLevel(window), PLATFORM_OK);
  ASSERT_EQ(platformSetDisplayMode(width, height, 8), PLATFORM_OK) << SDL_GetError();
  ASSERT_EQ(platformCreatePrimarySurface(), PLATFORM_OK);
  ASSERT_EQ(platformGetBackBuffer(), PLATFORM_OK);
  ASSERT_EQ(platformCreatePalette(palette), PLATFORM_OK);
  ASSERT_EQ(platformSetPalette(), PLATFORM_OK);
  // Window events of the creation itself are not what the tests look at.
  dispatchPending();
  clearRecording();
}

void dispatchPending() {
  PlatformMessage message;
  while (platformPeekMessage()) {
    platformWaitMessage(&message, PLATFORM_WAIT_FOREVER);
    platformDispatchMessage(&message);
  }
}

void pushKey(SDL_Scancode scancode, bool down, bool repeat, uint16_t modifiers, SDL_Keycode symbol) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = repeat ? 1 : 0;
  event.key.keysym.scancode = scancode;
  event.key.keysym.sym = symbol;
  event.key.keysym.mod = modifiers;
  SDL_PushEvent(&event);
}

void pushWindowEvent(SDL_WindowEventID windowEvent) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = uint8_t(windowEvent);
  event.window.windowID = sdlPlatform.window ? SDL_GetWindowID(sdlPlatform.window) : 0;
  SDL_PushEvent(&event);
}

void freshInputs() {
  if (!machineMemory)
    machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  resetMachineRecords();
  coreHoldShortTaps(false);
  machineMemory[PLAYER_INPUTS_ADDRESS] = 0;
  machineMemory[SWITCH_INPUTS_ADDRESS] = 0;
  hostControls = HostControls{};
}
