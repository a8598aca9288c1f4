// Exception-raising and status instructions: privilege checks before any
// operand access, TRAP/TRAPV/CHK/divide by zero frames, illegal opcodes, STOP,
// RTE and the frame-end interrupt.
#include <gtest/gtest.h>

#include "cpu/cpu_fixture.h"
#include "cpu68k/exceptions.h"
#include "debug/symbols.h"
#include "driver/memory.h"
#include "driver/warnings.h"

namespace {

struct ExceptionCase {
  const char* name;
  std::vector<uint16_t> code;
  uint8_t s;              // mode the instruction runs in
  std::vector<uint32_t> d; // D0, D1, ... before
  CcrWord ccrIn;
  int vector;             // -1: no exception
  uint32_t framePc;       // offset from CODE_ADDRESS of the stacked PC
  CcrWord ccrOut;
};

constexpr uint32_t A0_BEFORE = 0x60000;
constexpr uint32_t MASK_BEFORE = 3;

void PrintTo(const ExceptionCase& c, std::ostream* os) { *os << c.name; }

class RaisesException : public testing::TestWithParam<ExceptionCase> {};

TEST_P(RaisesException, TakesTheVectorWithTheRightFrame) {
  const ExceptionCase& c = GetParam();
  std::vector<RegValue> regs = {{A0, A0_BEFORE}};
  for (size_t i = 0; i < c.d.size(); ++i)
    regs.push_back({int(i), c.d[i]});
  layInstruction(c.code, !c.s, regs, c.ccrIn, {});
  cpuState.intMask = MASK_BEFORE;
  const CpuState before = cpuState;
  captureStderr([] { step(); });
  // No operand was touched: (A0)+ forms leave A0 and the data registers alone.
  EXPECT_EQ(cpuState.regs[REG_A0], A0_BEFORE);
  for (size_t i = 0; i < c.d.size(); ++i)
    EXPECT_EQ(cpuState.regs[i], c.d[i]) << "D" << i;
  EXPECT_EQ(ccrWord & CCR_ALL, c.ccrOut);
  if (c.vector < 0) {
    EXPECT_EQ(getPc(), CODE_ADDRESS + 2 * uint32_t(c.code.size()));
    EXPECT_EQ(cpuState.regs[REG_A7], before.regs[REG_A7]);
    return;
  }
  EXPECT_EQ(getPc(), handlerOf(uint32_t(c.vector)));
  EXPECT_EQ(cpuState.s, 1);
  EXPECT_EQ(cpuState.regs[REG_A7], STACK_TOP - 6);
  EXPECT_EQ(cpuState.usp, USER_STACK_TOP);
  EXPECT_EQ(readLong(STACK_TOP - 4), CODE_ADDRESS + c.framePc);
  const uint32_t stackedSr = readWord(STACK_TOP - 6);
  EXPECT_EQ(stackedSr & 0x2700, uint32_t(c.s) << 13 | MASK_BEFORE << 8);
  EXPECT_EQ(cpuState.intMask, MASK_BEFORE);
}

const ExceptionCase privilegeCases[] = {
    {"MoveToSrPostincrement", {0x46D8}, 0, {}, 0, 8, 0, 0},
    {"MoveToSrImmediate", {0x46FC, 0x2700}, 0, {}, 0, 8, 0, 0},
    {"OriToSr", {0x007C, 0x0700}, 0, {}, 0, 8, 0, 0},
    {"AndiToSr", {0x027C, 0x0000}, 0, {}, C, 8, 0, C},
    {"EoriToSr", {0x0A7C, 0x2000}, 0, {}, 0, 8, 0, 0},
    {"MoveToUsp", {0x4E60}, 0, {}, 0, 8, 0, 0},
    {"MoveFromUsp", {0x4E68}, 0, {}, 0, 8, 0, 0},
    {"Reset", {0x4E70}, 0, {}, 0, 8, 0, 0},
    {"Stop", {0x4E72, 0x2000}, 0, {}, 0, 8, 0, 0},
    {"Rte", {0x4E73}, 0, {}, 0, 8, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Privilege, RaisesException, testing::ValuesIn(privilegeCases),
                         [](const auto& info) { return std::string(info.param.name); });

const ExceptionCase trapCases[] = {
    {"Trap15FromUser", {0x4E4F}, 0, {}, 0, 47, 2, 0},
    {"Trap0FromSupervisor", {0x4E40}, 1, {}, 0, 32, 2, 0},
    {"TrapvWithV", {0x4E76}, 1, {}, V, 7, 2, V},
    {"TrapvWithoutV", {0x4E76}, 1, {}, N | Z | C, -1, 0, N | Z | C},
    {"ChkNegative", {0x4181}, 1, {0x8000, 4}, Z | V | C, 6, 2, N | Z | V | C},
    {"ChkAboveBound", {0x4181}, 1, {5, 4}, N, 6, 2, 0},
    {"ChkWithinBoundChangesNoFlag", {0x4181}, 1, {4, 4}, X | N | V, -1, 0, X | N | V},
    {"ChkLongNegative", {0x4101}, 1, {0x80000000, 4}, 0, 6, 2, N},
    {"DivuByZeroImmediate", {0x80FC, 0x0000}, 1, {0x1234}, Z, 5, 4, Z},
    {"DivsByZeroRegister", {0x81C1}, 0, {0x1234, 0xFFFF0000}, 0, 5, 2, 0},
    {"LineA", {0xA000}, 1, {}, 0, 10, 0, 0},
    {"LineF", {0xF123}, 0, {}, 0, 11, 0, 0},
    {"IllegalOpcode", {0x4AFC}, 1, {}, 0, 4, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Traps, RaisesException, testing::ValuesIn(trapCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IllegalInstruction, MessageOnlyOutsideLinesAAndF) {
  const struct { uint16_t opcode; const char* message; } cases[] = {
      {0x4AFC, "Illegal instruction: 4afc at 00041000\n"},
      {0x4E7B, "Illegal instruction: 4e7b at 00041000\n"},
      {0xA123, ""},
      {0xFFFF, ""},
  };
  for (const auto& c : cases) {
    cpuMachine({c.opcode});
    warningBudget.illegalContextShown = true; // the context is the next test's
    EXPECT_EQ(captureStderr([] { step(); }), c.message);
  }
}

TEST(IllegalInstruction, FirstOfARunShowsTheCodeAfterItAndWhereItsVectorLeads) {
  cpuMachine({0x4AFC, 0x7005, 0x4E71}); // ILLEGAL; MOVEQ #5,D0; NOP
  pokeWords(4 * VECTOR_ILLEGAL, {0x0004, 0x2000});
  std::string first = captureStderr([] { step(); });
  const std::vector<std::string> lines = [&] {
    std::vector<std::string> out;
    for (size_t at = 0; at < first.size(); at = first.find('\n', at) + 1)
      out.push_back(first.substr(at, first.find('\n', at) - at));
    return out;
  }();
  ASSERT_EQ(lines.size(), 11u) << first; // the warning, nine instructions, the vector
  EXPECT_EQ(lines[0], "Illegal instruction: 4afc at 00041000");
  EXPECT_EQ(lines[1], "  00041000  illegal");
  EXPECT_EQ(lines[2], "  00041002  moveq #5,d0");
  EXPECT_EQ(lines[3], "  00041004  nop");
  EXPECT_EQ(lines[10], "  vector 4 leads to 00042000");
  setPc(CODE_ADDRESS);
  EXPECT_EQ(captureStderr([] { step(); }), "Illegal instruction: 4afc at 00041000\n"); // once a run
  // With --symbols the context names its addresses; the warning line keeps its form.
  cpuMachine({0x4AFC, 0x7005, 0x4E71});
  pokeWords(4 * VECTOR_ILLEGAL, {0x0004, 0x2000});
  const std::vector<uint8_t> elf = symbolFile({{"broken", 0x41000, 4}, {"handler", 0x42000, 2}});
  char message[64];
  ASSERT_TRUE(loadSymbolsFrom(elf.data(), elf.size(), message, sizeof message));
  first = captureStderr([] { step(); });
  EXPECT_EQ(first.rfind("Illegal instruction: 4afc at 00041000\n  00041000  illegal (broken)\n"
                        "  00041002  moveq #5,d0 (broken+0x2)\n  00041004  nop\n", 0), 0u) << first;
  EXPECT_NE(first.find("  vector 4 leads to 00042000 (handler)\n"), std::string::npos) << first;
}

TEST(StatusInstructions, MoveFromSrIsNotPrivileged) {
  cpuMachine({0x40C1}); // MOVE SR,D1
  cpuState.s = 0;
  cpuState.intMask = 5;
  ccrWord = CCR_X | CCR_C;
  cpuState.regs[1] = 0xAAAA0000;
  step();
  EXPECT_EQ(cpuState.regs[1], 0xAAAA0511u);
}

TEST(StatusInstructions, StopLoadsSrAndExecutionGoesOn) {
  cpuMachine({0x4E72, 0x2000, 0x7005}); // STOP #$2000; MOVEQ #5,D0
  cpuState.intMask = 7;
  step();
  buildSr();
  EXPECT_EQ(cpuState.sr, 0x2000);
  EXPECT_EQ(cpuState.stopped, 1);
  EXPECT_EQ(cpuState.specialFlags & SPECIAL_STOPPED, SPECIAL_STOPPED);
  EXPECT_EQ(getPc(), CODE_ADDRESS + 4);
  step();
  EXPECT_EQ(cpuState.regs[0], 5u);
}

TEST(StatusInstructions, RteToUserModeSwitchesStacks) {
  cpuMachine({0x4E73});
  pokeWords(STACK_TOP - 6, {0x0015, 0x0004, 0x2000}); // SR 0x0015, PC 0x42000
  cpuState.regs[REG_A7] = STACK_TOP - 6;
  step();
  EXPECT_EQ(getPc(), 0x42000u);
  EXPECT_EQ(cpuState.s, 0);
  EXPECT_EQ(cpuState.ssp, STACK_TOP);
  EXPECT_EQ(cpuState.regs[REG_A7], USER_STACK_TOP);
  EXPECT_EQ(ccrWord & CCR_ALL, CCR_X | CCR_Z | CCR_C);
}

TEST(StatusInstructions, CcrInstructionsKeepTheSystemByte) {
  const struct { uint16_t opcode; uint16_t operand; CcrWord ccrOut; } cases[] = {
      {0x003C, 0x0013, CCR_X | CCR_V | CCR_C | CCR_Z}, // ORI #$13,CCR
      {0x023C, 0xFF06, CCR_Z},                         // ANDI #$06,CCR
      {0x0A3C, 0x001F, CCR_X | CCR_N | CCR_V | CCR_C}, // EORI #$1F,CCR
      {0x44FC, 0xFF00, 0},                             // MOVE #$FF00,CCR
  };
  for (const auto& c : cases) {
    cpuMachine({c.opcode, c.operand});
    cpuState.intMask = 6;
    ccrWord = CCR_Z;
    step();
    EXPECT_EQ(ccrWord & CCR_ALL, c.ccrOut) << std::hex << c.opcode;
    EXPECT_EQ(cpuState.intMask, 6u);
    EXPECT_EQ(cpuState.s, 1);
  }
}

// The frame end takes vector 25 whatever the mask, sets the mask to 1, and
// the handler's RTE brings the old mask back.
TEST(FrameInterrupt, TakenWithMaskSevenAndUndoneByRte) {
  cpuMachine({0x4E71});
  pokeWords(handlerOf(25), {0x4E73});
  cpuState.intMask = 7;
  ccrWord = CCR_N;
  takeException(VECTOR_LEVEL1);
  cpuState.intMask = 1;
  EXPECT_EQ(readWord(STACK_TOP - 6), 0x2708u);
  EXPECT_EQ(getPc(), handlerOf(25));
  step();
  EXPECT_EQ(cpuState.intMask, 7u);
  EXPECT_EQ(getPc(), CODE_ADDRESS);
  EXPECT_EQ(cpuState.regs[REG_A7], STACK_TOP);
  EXPECT_EQ(ccrWord & CCR_ALL, CCR_N);
}

} // namespace
