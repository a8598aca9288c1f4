#include "driver/memory.h"
#include "host/controls.h"

void pumpMessages() {
  PlatformMessage message;
  while (platformPeekMessage()) {
    // While the application is inactive, keep taking messages (blocking)
    // until one makes it active again: this holds the emulation.
    do {
      if (platformGetMessage(&message) == 0)
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
