#include "host/message_pump.h"

#include "driver/gdb_stub.h"
#include "host/controls.h"
#include "host/keyboard.h"
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

// On the desktop a key pressed and let go between two passes would never be seen by the board: its
// release waits for the next pump, which delivers it first. Keys pressed in this pump, a bit each.
struct PressedKeys {
  uint64_t bits[4];
};

static bool isRelease(uint32_t message) { return message == MSG_KEYUP || message == MSG_SYSKEYUP; }
static bool isPress(uint32_t message) { return message == MSG_KEYDOWN || message == MSG_SYSKEYDOWN; }

// True when the message is a release to hold back for the next pump (and it is then held).
static bool holdRelease(const PlatformMessage& message, const PressedKeys& pressed) {
  const uint32_t key = uint32_t(message.wParam) & 0xFF;
  if (!hostControls.holdShortTaps || !isRelease(message.message) || !(pressed.bits[key >> 6] >> (key & 63) & 1))
    return false;
  hostControls.releaseHeld = true;
  hostControls.heldRelease = message;
  return true;
}

// Delivers a release held back by the last pump.
static void deliverHeldRelease() {
  HostControls& hc = hostControls;
  if (!hc.releaseHeld)
    return;
  hc.releaseHeld = false;
  platformTranslateMessage(&hc.heldRelease);
  platformDispatchMessage(&hc.heldRelease);
}

// Takes every queued message; while the application is inactive or paused, keeps taking them
// (waiting) until one lets the pass go on: this holds the emulation. False on a quit message or an
// end request (a destroyed window): the rest stays queued.
static bool drainMessages() {
  PlatformMessage message;
  PressedKeys pressed = {};
  deliverHeldRelease();
  while (platformPeekMessage() || pauseHolds()) {
    do {
      if (waitForMessage(&message) == PLATFORM_QUIT)
        return false;
      if (holdRelease(message, pressed))
        return true; // what came after it waits too, in order
      if (isPress(message.message))
        pressed.bits[(message.wParam & 0xFF) >> 6] |= uint64_t(1) << (message.wParam & 63);
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
  stepAutofire();
  return true;
}
