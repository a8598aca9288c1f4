#include "host/message_pump.h"

#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/run_end.h"
#include "platform/platform.h"

// Takes the next message, waiting for it; a wait looks for an end request every END_CHECK_MS.
static int waitForMessage(PlatformMessage* message) {
  int result;
  while ((result = platformWaitMessage(message, END_CHECK_MS)) == PLATFORM_TIMEOUT)
    if (endRequested())
      endRun(false);
  return result;
}

void pumpMessages() {
  if (endRequested())
    endRun(false);
  PlatformMessage message;
  while (platformPeekMessage()) {
    // While the application is inactive, keep taking messages (waiting)
    // until one makes it active again: this holds the emulation.
    do {
      if (waitForMessage(&message) == PLATFORM_QUIT)
        return;
      platformTranslateMessage(&message);
      platformDispatchMessage(&message);
    } while (!hostControls.appActive);
  }
  if (hostControls.autofire) {
    uint8_t& port = machineMemory[PLAYER_INPUTS_ADDRESS];
    port ^= INPUT_BUTTON2;
    port ^= INPUT_FIRE;
  }
}
