#include <gtest/gtest.h>

#include "cpu68k/cpu_state.h"
#include "cpu68k/exceptions.h"
#include "driver/memory.h"
#include "support/test_support.h"

namespace {

struct EntryCase {
  const char* name;
  uint8_t s;
  uint32_t vector;
  uint32_t vectorAddress;
};

class TakeException : public testing::TestWithParam<EntryCase> {};

TEST_P(TakeException, PushesFrameOnSupervisorStack) {
  const EntryCase c = GetParam();
  freshMachine();
  pokeWords(c.vectorAddress, {0x0001, 0x2340});
  cpuState.s = c.s;
  cpuState.regs[REG_A7] = c.s ? 0x8F000 : 0x8E000;
  cpuState.usp = 0x12345678;
  cpuState.ssp = c.s ? 0x99999999 : 0x8F000;
  cpuState.t1 = 1;
  cpuState.m = 1;
  cpuState.intMask = 3;
  cpuState.specialFlags = 0xC8;
  ccrWord = CCR_Z | CCR_X;
  setPc(0x2000);
  takeException(c.vector);
  EXPECT_EQ(getPc(), 0x12340u);
  EXPECT_EQ(cpuState.regs[REG_A7], 0x8F000u - 6);
  EXPECT_EQ(cpuState.s, 1);
  EXPECT_EQ(cpuState.usp, c.s ? 0x12345678u : 0x8E000u); // user A7 kept
  const uint16_t stackedSr = uint16_t(0x8000 | c.s << 13 | 0x1000 | 0x0300 | 0x14);
  EXPECT_EQ(readWord(0x8F000 - 6), stackedSr);
  EXPECT_EQ(readLong(0x8F000 - 4), 0x2000u);
  EXPECT_EQ(cpuState.sr, stackedSr); // the staging word keeps the pushed value
  EXPECT_EQ(cpuState.intMask, 3u);   // the entry leaves the mask alone
  EXPECT_EQ(cpuState.t1, 0);
  EXPECT_EQ(cpuState.m, 0);
  EXPECT_EQ(cpuState.specialFlags, 0x08u);
}

INSTANTIATE_TEST_SUITE_P(Modes, TakeException,
                         testing::Values(EntryCase{"FromUser", 0, 47, 0xBC}, EntryCase{"FromSupervisor", 1, 25, 0x64},
                                         EntryCase{"Illegal", 1, 4, 0x10}),
                         [](const testing::TestParamInfo<EntryCase>& info) { return info.param.name; });

TEST(TakeException, StackOutsideTheImageWarnsAndStaysInBounds) {
  freshMachine();
  cpuState.s = 1;
  cpuState.regs[REG_A7] = 0x4; // the frame wraps below address 0
  setPc(0x500);
  const std::string out = captureStdout([] { takeException(25); });
  EXPECT_NE(out.find("Write: <Outside memory area> PC:500 Addr:fffffffe"), std::string::npos) << out;
  EXPECT_EQ(cpuState.regs[REG_A7], 0xFFFFFFFEu);
}

struct IllegalCase {
  uint32_t opcode;
  uint32_t vector;
  bool message;
};

TEST(IllegalInstruction, RoutesByLineAndReportsOthers) {
  const IllegalCase cases[] = {{0x4AFC, 4, true}, {0xA000, 10, false}, {0xAFFF, 10, false},
                               {0xF000, 11, false}, {0xFFFF, 11, false}, {0x0000 + 0x4E7B, 4, true}};
  for (const IllegalCase& c : cases) {
    freshMachine();
    pokeWords(4 * c.vector, {0x0000, 0x3000});
    cpuState.s = 1;
    cpuState.regs[REG_A7] = 0x8F000;
    setPc(0x1000);
    fetchWord(); // the frame loop has stepped past the opcode
    const std::string err = captureStderr([&] { illegalInstruction(c.opcode); });
    char expected[64];
    snprintf(expected, sizeof expected, "Illegal instruction: %04x at %08lx\n", c.opcode, 0x1000ul);
    EXPECT_EQ(err.substr(0, err.find('\n') + 1), c.message ? std::string(expected) : std::string())
        << std::hex << c.opcode;
    EXPECT_EQ(getPc(), 0x3000u);
    EXPECT_EQ(readLong(0x8F000 - 4), 0x1000u) << "frame holds the opcode's address";
  }
}

} // namespace
