// Single instructions where the board's CPU differs from the chip or that the
// vectors cannot reach: decimal formulas on any digits, divide overflow, shift
// counts modulo 64, MOVEM and LINK rules, the 68010/68020 additions.
#include <gtest/gtest.h>

#include "cpu/cpu_fixture.h"
#include "driver/memory.h"

namespace {

struct InstrCase {
  const char* name;
  std::vector<uint16_t> code;
  std::vector<RegValue> regsIn;
  CcrWord ccrIn;
  std::vector<MemWord> memIn;
  std::vector<RegValue> regsOut;
  CcrWord ccrOut; // all five flags are compared
  std::vector<MemWord> memOut;
  int32_t pcAfter = 0; // offset from CODE_ADDRESS; 0: just past the code
};

void PrintTo(const InstrCase& c, std::ostream* os) { *os << c.name; }

class Instruction : public testing::TestWithParam<InstrCase> {};

TEST_P(Instruction, GivesTheBoardsResult) {
  const InstrCase& c = GetParam();
  layInstruction(c.code, false, c.regsIn, c.ccrIn, c.memIn);
  step();
  for (const RegValue& r : c.regsOut)
    EXPECT_EQ(cpuState.regs[r.reg], r.value) << "register " << r.reg;
  EXPECT_EQ(ccrWord & CCR_ALL, c.ccrOut) << std::hex << "flags " << ccrWord;
  for (const MemWord& m : c.memOut)
    EXPECT_EQ(peekWord(m.address), m.word) << std::hex << "at " << m.address;
  const uint32_t pc = CODE_ADDRESS + (c.pcAfter ? uint32_t(c.pcAfter) : 2 * uint32_t(c.code.size()));
  EXPECT_EQ(getPc(), pc);
}

const InstrCase decimalCases[] = {
    {"AbcdPlain", {0xC101}, {{D0, 0x38}, {D1, 0x45}}, 0, {}, {{D0, 0x83}}, N, {}},
    {"AbcdOverflowBit", {0xC101}, {{D0, 0x05}, {D1, 0x80}}, 0, {}, {{D0, 0x85}}, N | V, {}},
    {"AbcdCarryKeepsZ", {0xC101}, {{D0, 0x99}, {D1, 0x00}}, X | Z, {}, {{D0, 0x00}}, X | C | Z | V, {}},
    {"AbcdCarryZeroLeavesZClear", {0xC101}, {{D0, 0x99}, {D1, 0x00}}, X, {}, {{D0, 0x00}}, X | C | V, {}},
    // Both high digits F: the carry out of bit 8 is kept (0xFF + 0xFF + 1).
    {"AbcdHighDigitsF", {0xC101}, {{D0, 0xFF}, {D1, 0xFF}}, X, {}, {{D0, 0x65}}, X | C, {}},
    {"SbcdBorrow", {0x8101}, {{D0, 0x00}, {D1, 0x01}}, 0, {}, {{D0, 0x99}}, X | C | N, {}},
    // A low digit above 9 takes the board's adjustment and borrows.
    {"SbcdNonDecimalDigit", {0x8101}, {{D0, 0x0A}, {D1, 0x00}}, 0, {}, {{D0, 0x94}}, X | C | N, {}},
    {"SbcdMemoryPredecrement",
     {0x8109}, // SBCD -(A1),-(A0)
     {{A0, 0x60002}, {A1, 0x60012}},
     X,
     {{0x60000, 0xAA42}, {0x60010, 0xAA15}},
     {{A0, 0x60001}, {A1, 0x60011}},
     0,
     {{0x60000, 0xAA26}, {0x60010, 0xAA15}}},
    {"NbcdZeroKeepsV", {0x4800}, {{D0, 0x00}}, V | Z, {}, {{D0, 0x00}}, V | Z, {}},
    {"NbcdWithX", {0x4800}, {{D0, 0x00}}, X, {}, {{D0, 0x99}}, X | C | N, {}},
};
INSTANTIATE_TEST_SUITE_P(Decimal, Instruction, testing::ValuesIn(decimalCases),
                         [](const auto& info) { return std::string(info.param.name); });

const InstrCase divideCases[] = {
    {"DivuOverflow", {0x80C1}, {{D0, 0x00010000}, {D1, 1}}, C | Z, {}, {{D0, 0x00010000}}, N | V | Z, {}},
    {"DivsTruncatesTowardZero", {0x81C1}, {{D0, 0xFFFFFFF9}, {D1, 2}}, 0, {}, {{D0, 0xFFFFFFFD}}, N, {}},
    {"DivsMostNegativeByMinusOne", {0x81C1}, {{D0, 0x80000000}, {D1, 0xFFFF}}, 0, {}, {{D0, 0x80000000}}, N | V, {}},
    {"DivsByMinusOneFits", {0x81C1}, {{D0, 0x00007FFF}, {D1, 0xFFFF}}, 0, {}, {{D0, 0x00008001}}, N, {}},
    {"MulsSigned", {0xC1C1}, {{D0, 0x1234FFFE}, {D1, 0x00000003}}, V | C, {}, {{D0, 0xFFFFFFFA}}, N, {}},
};
INSTANTIATE_TEST_SUITE_P(MultiplyDivide, Instruction, testing::ValuesIn(divideCases),
                         [](const auto& info) { return std::string(info.param.name); });

const InstrCase shiftCases[] = {
    {"LslByteCount65IsOne", {0xE328}, {{D0, 0x12345681}, {D1, 65}}, 0, {}, {{D0, 0x12345602}}, X | C, {}},
    {"RoxlByteByNineRestores", {0xE330}, {{D0, 0xA5}, {D1, 9}}, 0, {}, {{D0, 0xA5}}, N, {}},
    {"RoxlCountZeroCopiesX", {0xE330}, {{D0, 0x01}, {D1, 64}}, X | V, {}, {{D0, 0x01}}, X | C, {}},
    {"AslSetsVWhenTheSignChanges", {0xE300}, {{D0, 0x40}}, 0, {}, {{D0, 0x80}}, N | V, {}},
    {"LslLongCount64IsZero", {0xE3A8}, {{D0, 0x80000001}, {D1, 64}}, X | C | V, {}, {{D0, 0x80000001}}, X | N, {}},
    {"LsrLongByWidth", {0xE2A8}, {{D0, 0x80000001}, {D1, 32}}, 0, {}, {{D0, 0}}, X | C | Z, {}},
    {"LslLongBeyondWidth", {0xE3A8}, {{D0, 0xFFFFFFFF}, {D1, 33}}, X, {}, {{D0, 0}}, Z, {}},
    {"AsrWordBeyondWidthFillsSign", {0xE260}, {{D0, 0x00008000}, {D1, 40}}, 0, {}, {{D0, 0x0000FFFF}}, X | C | N, {}},
    {"AslLongBeyondWidthOverflows", {0xE3A0}, {{D0, 1}, {D1, 33}}, X | C, {}, {{D0, 0}}, Z | V, {}},
    {"RolWordByRegisterKeepsX", {0xE378}, {{D0, 0x00018001}, {D1, 17}}, X, {}, {{D0, 0x00010003}}, X | C, {}},
};
INSTANTIATE_TEST_SUITE_P(Shifts, Instruction, testing::ValuesIn(shiftCases),
                         [](const auto& info) { return std::string(info.param.name); });

const InstrCase movementCases[] = {
    {"MovemWordPostincrementBaseInList",
     {0x4C98, 0x0101},
     {{A0, 0x60000}},
     0,
     {{0x60000, 0x8001}, {0x60002, 0x1234}},
     {{D0, 0xFFFF8001}, {A0, 0x60004}},
     0,
     {}},
    {"MovemLongPredecrementA7",
     {0x48E7, 0x8001},
     {{D0, 0x11112222}},
     0,
     {},
     {{A7, STACK_TOP - 8}},
     0,
     {{STACK_TOP - 4, 0x0008}, {STACK_TOP - 2, 0xF000}, {STACK_TOP - 8, 0x1111}, {STACK_TOP - 6, 0x2222}}},
    {"MovemPredecrementStoresTheOldBase",
     {0x48E0, 0x00C0}, // MOVEM.L A0/A1,-(A0)
     {{A0, 0x60010}, {A1, 0x99998888}},
     0,
     {},
     {{A0, 0x60008}},
     0,
     {{0x60008, 0x0006}, {0x6000A, 0x0010}, {0x6000C, 0x9999}, {0x6000E, 0x8888}}},
    {"MovepWordNegativeDisplacement",
     {0x0108, 0xFFFE},
     {{A0, 0x60002}, {D0, 0xAAAA0000}},
     0,
     {{0x60000, 0x12FF}, {0x60002, 0x34FF}},
     {{D0, 0xAAAA1234}},
     0,
     {}},
    {"MoveByteToPredecrementA7StepsTwo", {0x1F00}, {{D0, 0x5A}}, 0, {}, {{A7, STACK_TOP - 2}}, 0, {{STACK_TOP - 2, 0x5AAA}}},
    {"MoveByteToPredecrementA6StepsOne", {0x1D00}, {{D0, 0x5A}, {A6, 0x60001}}, 0, {}, {{A6, 0x60000}}, 0, {{0x60000, 0x5AAA}}},
    {"MoveaWordSignExtends", {0x307C, 0x8000}, {}, C, {}, {{A0, 0xFFFF8000}}, C, {}},
    {"CmpaWordComparesSignExtended", {0xB0FC, 0x8000}, {{A0, 0xFFFF8000}}, 0, {}, {{A0, 0xFFFF8000}}, Z, {}},
    {"AddqToAddressIs32BitWithoutFlags", {0x5048}, {{A0, 0x0000FFFC}}, N | C, {}, {{A0, 0x00010004}}, N | C, {}},
    {"AddxZeroKeepsZ", {0xD101}, {{D0, 0xFF}, {D1, 0x01}}, Z, {}, {{D0, 0x00}}, X | C | Z, {}},
    {"AddxZeroLeavesZClear", {0xD101}, {{D0, 0xFF}, {D1, 0x01}}, 0, {}, {{D0, 0x00}}, X | C, {}},
    {"NegxNonzeroClearsZ", {0x4080}, {{D0, 1}}, Z, {}, {{D0, 0xFFFFFFFF}}, X | C | N, {}},
    {"IndexIgnoresScaleBits",
     {0x3030, 0x1702}, // MOVE.W (2,A0,D1.W),D0 with bits 10-8 set
     {{A0, 0x60000}, {D1, 0x00010004}, {D0, 0x11110000}},
     0,
     {{0x60006, 0xBEEF}},
     {{D0, 0x1111BEEF}},
     N,
     {}},
    {"ExtbLong", {0x49C0}, {{D0, 0x12345680}}, 0, {}, {{D0, 0xFFFFFF80}}, N, {}},
    {"TstWordOfAddressRegister", {0x4A48}, {{A0, 0x12348000}}, V | C, {}, {{A0, 0x12348000}}, N, {}},
    {"CmpiPcRelative", {0x0C7A, 0x1234, 0x0010}, {}, 0, {{CODE_ADDRESS + 0x14, 0x1234}}, {}, Z, {}},
    {"BtstImmediateOnImmediate", {0x083C, 0x000B, 0x00F7}, {}, 0, {}, {}, Z, {}},
    {"MoveToCcrReadsAWord", {0x44D8}, {{A0, 0x60000}}, 0, {{0x60000, 0xFF15}}, {{A0, 0x60002}}, X | Z | C, {}},
};
INSTANTIATE_TEST_SUITE_P(Movement, Instruction, testing::ValuesIn(movementCases),
                         [](const auto& info) { return std::string(info.param.name); });

const InstrCase controlCases[] = {
    {"LinkA7PushesTheDecrementedValue",
     {0x4E57, 0xFFF8},
     {},
     0,
     {},
     {{A7, STACK_TOP - 12}},
     0,
     {{STACK_TOP - 4, 0x0008}, {STACK_TOP - 2, 0xEFFC}}},
    {"LinkA6", {0x4E56, 0x0000}, {{A6, 0x12345678}}, 0, {}, {{A6, STACK_TOP - 4}, {A7, STACK_TOP - 4}}, 0,
     {{STACK_TOP - 4, 0x1234}, {STACK_TOP - 2, 0x5678}}},
    {"UnlkA7LoadsTheLong", {0x4E5F}, {}, 0, {{STACK_TOP, 0x0001}, {STACK_TOP + 2, 0x2340}}, {{A7, 0x00012340}}, 0, {}},
    {"UnlkA6", {0x4E5E}, {{A6, 0x60000}}, 0, {{0x60000, 0x0007}, {0x60002, 0x0000}}, {{A6, 0x70000}, {A7, 0x60004}}, 0, {}},
    {"BraLongDisplacement", {0x60FF, 0x0000, 0x0100}, {}, 0, {}, {}, 0, {}, 0x102},
    {"BeqLongNotTaken", {0x67FF, 0x0000, 0x0100}, {}, 0, {}, {}, 0, {}, 6},
    {"BsrLongPushesAfterTheDisplacement",
     {0x61FF, 0xFFFF, 0xFF00},
     {},
     0,
     {},
     {{A7, STACK_TOP - 4}},
     0,
     {{STACK_TOP - 4, uint16_t(CODE_ADDRESS >> 16)}, {STACK_TOP - 2, uint16_t(CODE_ADDRESS + 6)}},
     2 - 0x100},
    {"BraShortBackwards", {0x60FC}, {}, 0, {}, {}, 0, {}, -2},
    {"RtdPopsThenDeallocates",
     {0x4E74, 0x0008},
     {},
     0,
     {{STACK_TOP, uint16_t(CODE_ADDRESS >> 16)}, {STACK_TOP + 2, uint16_t(CODE_ADDRESS + 0x40)}},
     {{A7, STACK_TOP + 12}},
     0,
     {},
     0x40},
    {"DbfCounterRunsOut", {0x51C8, 0x0010}, {{D0, 0x12340000}}, 0, {}, {{D0, 0x1234FFFF}}, 0, {}, 4},
    {"DbfBranches", {0x51C8, 0x0010}, {{D0, 0x12340001}}, 0, {}, {{D0, 0x12340000}}, 0, {}, 0x12},
};
INSTANTIATE_TEST_SUITE_P(Control, Instruction, testing::ValuesIn(controlCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Scc and MOVE from SR write their destination without reading it: aimed at
// an address outside the image, they print the write warning and no read warning.
TEST(WriteOnlyDestination, IsWrittenWithoutBeingRead) {
  constexpr uint32_t OUTSIDE = MEMORY_SIZE + 0x100;
  const struct { const char* name; uint16_t opcode; } cases[] = {
      {"SEQ (xxx).L", 0x57F9},
      {"MOVE SR,(xxx).L", 0x40F9},
  };
  for (const auto& c : cases) {
    cpuMachine({c.opcode, uint16_t(OUTSIDE >> 16), uint16_t(OUTSIDE)});
    const std::string out = captureStdout([] { step(); });
    char expected[96];
    snprintf(expected, sizeof expected, "Write: <Outside memory area> PC:%x Addr:%x\n", CODE_ADDRESS + 6, OUTSIDE);
    EXPECT_EQ(out, expected) << c.name;
  }
}

} // namespace
