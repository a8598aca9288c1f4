#include <gtest/gtest.h>
#include <cstdio>
#include <string>

#include "video/sprites.h"
#include "host/keyboard.h"
#include "cpu68k/cpu_state.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/window_proc.h"
#include "support/test_support.h"

namespace {

uint8_t& player() { return machineMemory[PLAYER_INPUTS_ADDRESS]; }
uint8_t& switches() { return machineMemory[SWITCH_INPUTS_ADDRESS]; }

void key(uint32_t message, uint32_t code) { windowProc(nullptr, message, code, 0); }

struct HeldKeyCase {
  uint32_t keyCode;
  uint32_t address;
  uint8_t mask;
};

class HeldKey : public testing::TestWithParam<HeldKeyCase> {};

TEST_P(HeldKey, SetsOnPressClearsOnReleaseTouchingNothingElse) {
  const HeldKeyCase c = GetParam();
  for (uint8_t start : {uint8_t(0x00), uint8_t(0xFF), MEMORY_FILL}) {
    freshMachine();
    machineMemory[c.address] = start;
    const uint8_t other = machineMemory[c.address ^ 2];
    key(MSG_KEYDOWN, c.keyCode);
    EXPECT_EQ(machineMemory[c.address], start | c.mask);
    key(MSG_KEYDOWN, c.keyCode); // auto-repeat changes nothing more
    EXPECT_EQ(machineMemory[c.address], start | c.mask);
    key(MSG_KEYUP, c.keyCode);
    EXPECT_EQ(machineMemory[c.address], start & ~c.mask);
    EXPECT_EQ(machineMemory[c.address ^ 2], other);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HeldKey,
    testing::Values(HeldKeyCase{VKEY_LEFT, PLAYER_INPUTS_ADDRESS, 0x01}, HeldKeyCase{VKEY_RIGHT, PLAYER_INPUTS_ADDRESS, 0x02},
                    HeldKeyCase{VKEY_UP, PLAYER_INPUTS_ADDRESS, 0x04}, HeldKeyCase{VKEY_DOWN, PLAYER_INPUTS_ADDRESS, 0x08},
                    HeldKeyCase{VKEY_RETURN, PLAYER_INPUTS_ADDRESS, 0x10}, HeldKeyCase{VKEY_SHIFT, PLAYER_INPUTS_ADDRESS, 0x10},
                    HeldKeyCase{VKEY_SPACE, PLAYER_INPUTS_ADDRESS, 0x10}, HeldKeyCase{VKEY_MENU, PLAYER_INPUTS_ADDRESS, 0x20},
                    HeldKeyCase{0x31, SWITCH_INPUTS_ADDRESS, 0x08}, HeldKeyCase{0x32, SWITCH_INPUTS_ADDRESS, 0x10},
                    HeldKeyCase{0x33, SWITCH_INPUTS_ADDRESS, 0x04}),
    [](const testing::TestParamInfo<HeldKeyCase>& info) {
      char name[32];
      snprintf(name, sizeof name, "Key%02X", info.param.keyCode);
      return std::string(name);
    });

TEST(LatchingSwitch, EachPressInvertsReleaseDoesNothing) {
  const struct { uint32_t keyCode; uint8_t mask; } latches[] = {{0x34, 0x10}, {0x35, 0x20}, {0x36, 0x40}, {0x37, 0x80}};
  for (const auto& latch : latches) {
    freshMachine();
    switches() = 0;
    key(MSG_KEYDOWN, latch.keyCode);
    EXPECT_EQ(switches(), latch.mask);
    key(MSG_KEYUP, latch.keyCode);
    EXPECT_EQ(switches(), latch.mask);
    key(MSG_KEYDOWN, latch.keyCode); // a repeat inverts again
    EXPECT_EQ(switches(), 0);
  }
}

TEST(LatchingSwitch, KeysTwoAndFourShareABit) {
  freshMachine();
  switches() = 0;
  key(MSG_KEYDOWN, 0x34);
  EXPECT_EQ(switches(), 0x10);
  key(MSG_KEYDOWN, 0x32);
  key(MSG_KEYUP, 0x32);
  EXPECT_EQ(switches(), 0);
}

TEST(SharedFireBit, ReleasingAnyFireKeyClearsIt) {
  freshMachine();
  player() = 0;
  key(MSG_KEYDOWN, VKEY_RETURN);
  key(MSG_KEYDOWN, VKEY_SPACE);
  key(MSG_KEYUP, VKEY_RETURN);
  EXPECT_EQ(player(), 0); // Space still held, bit 4 clear anyway
}

TEST(Autofire, CtrlArmsWithoutTouchingBitsAndReleaseClearsBoth) {
  freshMachine();
  player() = 0x30 | 0x01;
  key(MSG_KEYDOWN, VKEY_CONTROL);
  EXPECT_EQ(boardInputs.autofire, 1u);
  EXPECT_EQ(player(), 0x31);
  key(MSG_KEYUP, VKEY_CONTROL);
  EXPECT_EQ(boardInputs.autofire, 0u);
  EXPECT_EQ(player(), 0x01);
}

TEST(Autofire, CtrlReleaseClearsBitsOfHeldKeys) {
  freshMachine();
  player() = 0;
  key(MSG_KEYDOWN, VKEY_MENU);
  key(MSG_KEYDOWN, VKEY_SPACE);
  key(MSG_KEYDOWN, VKEY_CONTROL);
  key(MSG_KEYUP, VKEY_CONTROL);
  EXPECT_EQ(player(), 0);
  key(MSG_KEYDOWN, VKEY_MENU); // the held key's next repeat sets it again
  EXPECT_EQ(player(), 0x20);
}

TEST(IgnoredKeys, ChangeNoInputByteNorControl) {
  const uint32_t ignored[] = {VKEY_ESCAPE, VKEY_TAB, 0x38, 0x39, 0x30, VKEY_A, 0x5A, VKEY_NUMPAD0 + 1,
                              0x71, 0x72, 0x73, 0x76, 0x77, 0x78, 0x79, 0x0C, 0x38, 0xFF, 0x1234};
  for (uint32_t code : ignored) {
    freshMachine();
    key(MSG_KEYDOWN, code);
    key(MSG_KEYUP, code);
    EXPECT_EQ(player(), MEMORY_FILL) << std::hex << code;
    EXPECT_EQ(switches(), MEMORY_FILL) << std::hex << code;
    const HostControls zero{};
    EXPECT_EQ(spriteState.inspector, 0u);
    EXPECT_EQ(spriteState.inspectedSlot, 0);
    EXPECT_EQ(hostControls.frameShotsOn, zero.frameShotsOn);
  }
}

TEST(ControlKeys, ActOnEveryKeyDownIncludingRepeats) {
  freshMachine();
  key(MSG_KEYDOWN, VKEY_I);
  EXPECT_EQ(spriteState.inspector, 1u);
  key(MSG_KEYDOWN, VKEY_I);
  EXPECT_EQ(spriteState.inspector, 0u);
  key(MSG_KEYUP, VKEY_I);
  EXPECT_EQ(spriteState.inspector, 0u);
  key(MSG_KEYDOWN, VKEY_F6);
  EXPECT_EQ(spriteState.inspectedSlot, 255);
  key(MSG_KEYDOWN, VKEY_F5);
  key(MSG_KEYDOWN, VKEY_F5);
  EXPECT_EQ(spriteState.inspectedSlot, 1);
  key(MSG_KEYDOWN, VKEY_F11);
  key(MSG_KEYUP, VKEY_F11);
  EXPECT_EQ(hostControls.frameShotsOn, 1u);
}

TEST(ControlKeys, F1ResetsTheCpuOnly) {
  freshMachine();
  pokeWords(0, {0x0008, 0x0000, 0x0000, 0x0A00});
  machineMemory[0x80000] = 0x12;
  cpuState.regs[0] = 7;
  setPc(0x4444);
  player() = 0x03;
  key(MSG_KEYDOWN, VKEY_F1);
  EXPECT_EQ(getPc(), 0xA00u);
  EXPECT_EQ(cpuState.regs[REG_A7], 0x80000u);
  EXPECT_EQ(cpuState.regs[0], 7u);
  EXPECT_EQ(machineMemory[0x80000], 0x12);
  EXPECT_EQ(player(), 0x03);
}

TEST(WindowProc, SystemKeysDriveTheInputsButRunNoCommand) {
  freshMachine();
  player() = 0;
  windowProc(nullptr, MSG_SYSKEYDOWN, VKEY_MENU, 0);
  EXPECT_EQ(player(), 0x20);
  windowProc(nullptr, MSG_SYSKEYDOWN, VKEY_LEFT, 0); // a key pressed while Alt is held
  EXPECT_EQ(player(), 0x21);
  windowProc(nullptr, MSG_SYSKEYUP, VKEY_MENU, 0);
  EXPECT_EQ(player(), 0x01);
  windowProc(nullptr, MSG_SYSKEYDOWN, VKEY_I, 0); // control keys stay key-down only
  windowProc(nullptr, MSG_SYSKEYDOWN, VKEY_F11, 0);
  EXPECT_EQ(spriteState.inspector, 0u);
  EXPECT_EQ(hostControls.frameShotsOn, 0u);
}

} // namespace
