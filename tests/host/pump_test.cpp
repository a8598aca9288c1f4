#include <gtest/gtest.h>

#include "host/keyboard.h"
#include "driver/board.h"
#include "debug/gdb_stub.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/input_log.h"
#include "host/message_pump.h"
#include "host/run_end.h"
#include "host/window_proc.h"
#include "platform/headless/headless.h"
#include "support/test_support.h"

namespace {

uint8_t& player() { return machineMemory[PLAYER_INPUTS_ADDRESS]; }

// A window whose procedure is the program's, created on the headless backend.
void openWindow() { platformCreateWindow(windowProc, "Vortane", "Gfx Output", 320, 240); }

void pass(uint32_t number) {
  platformPassStarting(number);
  EXPECT_TRUE(pumpMessages());
}

TEST(Pump, WindowCreationActivatesTheApplication) {
  freshMachine();
  openWindow();
  EXPECT_EQ(hostControls.appActive, 1u);
}

TEST(Pump, DrainsEveryQueuedMessageOfThePass) {
  freshMachine();
  openWindow();
  player() = 0;
  headlessScript(1, MSG_KEYDOWN, VKEY_LEFT);
  headlessScript(1, MSG_KEYDOWN, VKEY_UP);
  headlessScript(2, MSG_KEYUP, VKEY_LEFT);
  pass(1);
  EXPECT_EQ(player(), 0x05);
  EXPECT_FALSE(platformPeekMessage());
  pass(2);
  EXPECT_EQ(player(), 0x04);
}

TEST(Pump, AutofireInvertsBothBitsEachPass) {
  struct Case { uint8_t start; uint8_t afterFirst; } cases[] = {{0x00, 0x30}, {0x10, 0x20}, {0x30, 0x00}};
  for (const Case& c : cases) {
    freshMachine();
    openWindow();
    player() = c.start;
    headlessScript(1, MSG_KEYDOWN, VKEY_CONTROL);
    pass(1);
    EXPECT_EQ(player(), c.afterFirst) << int(c.start);
    pass(2);
    EXPECT_EQ(player(), c.start);
    pass(3);
    EXPECT_EQ(player(), c.afterFirst);
  }
}

TEST(Pump, InactiveApplicationWaitsForActivation) {
  freshMachine();
  openWindow();
  player() = 0;
  // Deactivation, then a key and the re-activation, all queued before the same pump:
  // the pump keeps taking messages until the application is active again.
  headlessScript(1, MSG_ACTIVATEAPP, 0);
  headlessScript(1, MSG_KEYDOWN, VKEY_RIGHT);
  headlessScript(1, MSG_ACTIVATEAPP, 1);
  headlessScript(1, MSG_KEYDOWN, VKEY_DOWN);
  pass(1);
  EXPECT_EQ(hostControls.appActive, 1u);
  EXPECT_EQ(player(), 0x0A);
}

// Under gdb the person types in gdb's terminal: the window losing the focus must not stop the machine.
TEST(Pump, DeactivationUnderGdbDoesNotHoldThePump) {
  freshMachine();
  openWindow();
  gdbStub.attached = true;
  headlessScript(1, MSG_ACTIVATEAPP, 0);
  pass(1); // a wait would have found nothing coming and destroyed the window
  EXPECT_FALSE(endRequested());
  gdbStub.attached = false;
}

TEST(Pump, EmptyQueueNeverWaitsEvenWhenInactive) {
  freshMachine();
  openWindow();
  hostControls.appActive = 0;
  pass(1); // returns at once: a wait would have found nothing coming and destroyed the window
  EXPECT_FALSE(endRequested());
  EXPECT_EQ(hostControls.appActive, 0u);
}

TEST(Pump, QuitMessageEndsThePumpBeforeAutofire) {
  freshMachine();
  openWindow();
  player() = 0;
  boardInputs.autofire = 1;
  headlessScript(1, MSG_QUIT, 0);
  headlessScript(1, MSG_KEYDOWN, VKEY_LEFT);
  pass(1);
  EXPECT_EQ(player(), 0); // no autofire step, the key not yet taken
  EXPECT_TRUE(platformPeekMessage());
}

// Waiting with nothing left to come destroys the headless window; a close request destroys it too.
// Either asks for the end, and the pump says so, leaving the rest of the pass and the queue alone.
TEST(Pump, DestroyedWindowEndsThePumpWithAnEndRequest) {
  for (const bool closed : {false, true}) {
    freshMachine();
    openWindow();
    player() = 0;
    if (closed) {
      headlessScript(1, MSG_CLOSE, 0);
      headlessScript(1, MSG_KEYDOWN, VKEY_LEFT);
    } else {
      headlessScript(1, MSG_ACTIVATEAPP, 0);
    }
    platformPassStarting(1);
    EXPECT_FALSE(pumpMessages()) << closed;
    EXPECT_TRUE(endRequested());
    EXPECT_EQ(player(), 0) << "no key or autofire after the end request";
  }
}

} // namespace
