#include "host/message_pump.h"

#include "core/core.h"

#include "debug/gdb_stub.h"
#include "host/controls.h"
#include "host/on_screen.h"
#include "host/run_end.h"
#include "platform/platform.h"

// Takes the next message, waiting for it; a wait looks for an end request every END_CHECK_MS and
// gives up (as a quit) when there is one.
static int waitForMessage(PlatformMessage* message) {
  int result;
  while ((result = platformWaitMessage(message, END_CHECK_MS)) == PLATFORM_TIMEOUT) {
    // gdb's Ctrl+C lets the pass go on to a stop even while paused.
    if (endRequested() || gdbPoll())
      return PLATFORM_QUIT;
    refreshOverlay(); // a timed message may have run out meanwhile
  }
  return result;
}

// A pause holds the pass until it ends or a step is asked for.
static bool pauseHolds() { return hostControls.paused && !hostControls.stepRequested; }

// Takes every queued message; while the application is inactive or paused, keeps taking them
// (waiting) until one lets the pass go on: this holds the emulation. False on a quit message or an
// end request (a destroyed window): the rest stays queued.
static bool drainMessages() {
  PlatformMessage message;
  while (platformPeekMessage() || pauseHolds()) {
    do {
      if (waitForMessage(&message) == PLATFORM_QUIT)
        return false;
      platformTranslateMessage(&message);
      platformDispatchMessage(&message);
      if (endRequested())
        return false;
      // A step runs one pass; the messages after its N wait for the next pump.
      if (hostControls.paused && hostControls.stepRequested) {
        hostControls.stepRequested = false;
        return true;
      }
    } while (!hostControls.appActive || pauseHolds());
  }
  return true;
}

bool pumpMessages() {
  if (endRequested() || !drainMessages())
    return !endRequested();
  coreStepAutofire();
  return true;
}
