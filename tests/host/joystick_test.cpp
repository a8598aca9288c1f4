#include <gtest/gtest.h>

#include "host/keyboard.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/window_proc.h"
#include "host/joystick.h"
#include "platform/headless/headless.h"
#include "support/test_support.h"

namespace {

uint8_t& player() { return machineMemory[PLAYER_INPUTS_ADDRESS]; }

void attachJoystick(JoystickLimits limits = {0, 65535, 0, 65535}) {
  headlessPlatform.joystickCount = 1;
  headlessPlatform.joystickAnswers = true;
  headlessPlatform.joystickLimits = limits;
}

void stick(uint32_t x, uint32_t y, uint32_t buttons) {
  headlessPlatform.joystickPosition = JoystickPosition{x, y, 0, buttons};
  pollJoystick();
}

TEST(Joystick, NormalisationAtTheDeadZoneEdges) {
  const struct { uint32_t position; int32_t expected; } cases[] = {
      {0, -100}, {65535, 100}, {24575, -26}, {24576, -25}, {41287, 25}, {41288, 26}, {32767, -1}, {32768, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(normaliseAxis(c.position, 0, 65535), c.expected) << c.position;
  EXPECT_EQ(normaliseAxis(1234, 7, 7), 0); // equal limits read as centre
}

TEST(Joystick, DetectionPrintsAndPicksFirstAnsweringId) {
  freshMachine();
  EXPECT_EQ(captureStdout(detectJoystick), "");
  EXPECT_EQ(joystickState.joystickId, -1);
  attachJoystick();
  headlessPlatform.joystickCount = 3;
  EXPECT_EQ(captureStdout(detectJoystick), "Using joystick.\n");
  EXPECT_EQ(joystickState.joystickId, 0);
  EXPECT_EQ(joystickState.limits.xMax, 65535u);
}

TEST(Joystick, DirectionBitsFollowTheStickOnlyWhenItMoves) {
  freshMachine();
  attachJoystick();
  captureStdout(detectJoystick);
  player() = 0;
  const struct { uint32_t x, y; uint8_t bits; } moves[] = {
      {0, 32768, 0x01}, {65535, 32768, 0x02}, {32768, 0, 0x04}, {32768, 65535, 0x08}, {0, 0, 0x05}, {32768, 32768, 0}};
  for (const auto& m : moves) {
    stick(m.x, m.y, 0);
    EXPECT_EQ(player() & 0x0F, m.bits) << m.x << "," << m.y;
  }
  // A keyboard arrow survives while the stick is still...
  windowProc(nullptr, MSG_KEYDOWN, VKEY_LEFT, 0);
  stick(32768, 32768, 0);
  EXPECT_EQ(player() & 0x0F, 0x01);
  // ...and any change of the normalised position, even inside the dead zone, rewrites the bits.
  stick(34000, 32768, 0); // normalised x = 3
  EXPECT_EQ(player() & 0x0F, 0);
}

TEST(Joystick, ButtonsDriveFireAndAutofireOnChange) {
  freshMachine();
  attachJoystick();
  captureStdout(detectJoystick);
  player() = 0;
  stick(32768, 32768, 0); // centre, no button: nothing written
  EXPECT_EQ(player(), 0);
  windowProc(nullptr, MSG_KEYDOWN, VKEY_CONTROL, 0);
  player() = 0x30;
  stick(32768, 32768, 2); // button 2 while Ctrl autofire is on
  EXPECT_EQ(boardInputs.autofire, 0u);
  EXPECT_EQ(player(), 0x10);
  stick(32768, 32768, 3); // button 1 too: autofire, bit 4 follows button 2, bit 5 untouched
  EXPECT_EQ(boardInputs.autofire, 1u);
  EXPECT_EQ(player(), 0x10);
  stick(32768, 32768, 2); // button 1 released while 2 held
  EXPECT_EQ(boardInputs.autofire, 0u);
  EXPECT_EQ(player(), 0x10);
  player() = 0x30;
  stick(32768, 32768, 2 | 4); // button 3 changes the mask: steps re-applied
  EXPECT_EQ(player(), 0x10);
}

TEST(Joystick, FailedReadDuringPollChangesNothing) {
  freshMachine();
  attachJoystick();
  captureStdout(detectJoystick);
  player() = 0x0F;
  headlessPlatform.joystickAnswers = false;
  stick(0, 0, 3);
  EXPECT_EQ(player(), 0x0F);
  EXPECT_EQ(boardInputs.autofire, 0u);
}

} // namespace
