#include <gtest/gtest.h>

#include "cpu68k/cpu_state.h"
#include "support/test_support.h"

namespace {

struct LoadSrCase {
  const char* name;
  uint8_t oldS;
  uint16_t sr;
  uint32_t expectA7, expectUsp, expectSsp;
  uint32_t expectMask;
  uint32_t expectSpecialFlags; // starting from 0xC0
  uint16_t rebuilt;            // buildSr afterwards
};

class LoadSr : public testing::TestWithParam<LoadSrCase> {};

TEST_P(LoadSr, SplitsTheWordAndSwitchesStacks) {
  const LoadSrCase c = GetParam();
  freshMachine();
  cpuState.s = c.oldS;
  cpuState.regs[REG_A7] = 0xA7;
  cpuState.usp = 0x05;
  cpuState.ssp = 0x55;
  cpuState.specialFlags = 0xC0;
  ccrWord = ~CcrWord(0); // every flag set before: loadSr must clear those the word clears
  cpuState.sr = c.sr;
  loadSr();
  EXPECT_EQ(cpuState.regs[REG_A7], c.expectA7);
  EXPECT_EQ(cpuState.usp, c.expectUsp);
  EXPECT_EQ(cpuState.ssp, c.expectSsp);
  EXPECT_EQ(cpuState.intMask, c.expectMask);
  EXPECT_EQ(cpuState.specialFlags, c.expectSpecialFlags);
  buildSr();
  EXPECT_EQ(cpuState.sr, c.rebuilt);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadSr,
    testing::Values(LoadSrCase{"SupervisorStays", 1, 0x2700, 0xA7, 0x05, 0x55, 7, 0x08, 0x2700},
                    LoadSrCase{"LeaveSupervisor", 1, 0x0000, 0x05, 0x05, 0xA7, 0, 0x08, 0x0000},
                    LoadSrCase{"EnterSupervisor", 0, 0x2000, 0x55, 0xA7, 0x55, 0, 0x08, 0x2000},
                    LoadSrCase{"UserStays", 0, 0x0000, 0xA7, 0x05, 0x55, 0, 0x08, 0x0000},
                    LoadSrCase{"DroppedBits", 1, 0x2FFF, 0xA7, 0x05, 0x55, 7, 0x08, 0x271F},
                    LoadSrCase{"TraceT1", 1, 0xA000, 0xA7, 0x05, 0x55, 0, 0xC8, 0xA000},
                    LoadSrCase{"TraceT0", 1, 0x6000, 0xA7, 0x05, 0x55, 0, 0xC8, 0x6000},
                    LoadSrCase{"AllFlags", 1, 0x301F, 0xA7, 0x05, 0x55, 0, 0x08, 0x301F}),
    [](const testing::TestParamInfo<LoadSrCase>& info) { return info.param.name; });

TEST(LoadSr, FlagsLandAtTheirCcrWordBits) {
  struct { uint16_t sr; CcrWord flags; } cases[] = {
      {0x10, CCR_X}, {0x08, CCR_N}, {0x04, CCR_Z}, {0x02, CCR_V}, {0x01, CCR_C}, {0x1F, CCR_ALL}, {0, 0}};
  for (const auto& c : cases) {
    freshMachine();
    cpuState.s = 1;
    ccrWord = CCR_ALL;
    cpuState.sr = uint16_t(0x2000 | c.sr);
    loadSr();
    EXPECT_EQ(ccrWord, c.flags) << std::hex << c.sr;
  }
}

TEST(ResetCpu, TakesVectorsAndKeepsX) {
  for (bool x : {false, true}) {
    freshMachine();
    pokeWords(0, {0x0008, 0x8000, 0x0000, 0x0400});
    cpuState.s = 0;
    cpuState.regs[REG_A7] = 0x1111; // the user A7 is lost
    cpuState.usp = 0x2222;
    cpuState.regs[3] = 0x3333;
    cpuState.stopped = 1;
    cpuState.t1 = 1;
    cpuState.m = 1;
    cpuState.specialFlags = 0xFF;
    cpuState.reserved68[0] = 5;
    cpuState.reserved68[20] = 5;
    ccrWord = CCR_NZVC | (x ? CCR_X : 0);
    resetCpu();
    EXPECT_EQ(cpuState.regs[REG_A7], 0x00088000u);
    EXPECT_EQ(getPc(), 0x400u);
    EXPECT_EQ(cpuState.usp, 0x2222u);
    EXPECT_EQ(cpuState.regs[3], 0x3333u);
    EXPECT_EQ(cpuState.s, 1);
    EXPECT_EQ(cpuState.stopped, 0);
    EXPECT_EQ(cpuState.specialFlags, 0u);
    EXPECT_EQ(cpuState.reserved68[0], 0u);
    EXPECT_EQ(cpuState.reserved68[20], 0u);
    buildSr();
    EXPECT_EQ(cpuState.sr, x ? 0x2710 : 0x2700);
  }
}

TEST(ProgramCounter, FollowsFetches) {
  freshMachine();
  setPc(0x1000);
  EXPECT_EQ(getPc(), 0x1000u);
  fetchWord();
  fetchLong();
  EXPECT_EQ(getPc(), 0x1006u);
}

} // namespace
