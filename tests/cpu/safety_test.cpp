// Every opcode, run with registers and extension words that point everywhere
// (past the image, at its last bytes, at address 0), stays inside the image
// (the sanitizer build checks the accesses), reaches the right vectors and
// keeps to its pattern row: it changes no flag the row's effect columns keep,
// and it takes the privilege vector in user mode exactly when the row is
// privileged (MOVE from SR aside: its row is marked for later family members).
#include <gtest/gtest.h>

#include "cpu/cpu_fixture.h"
#include "cpu68k/decode_table.h"
#include "cpu68k/exceptions.h"

namespace {

struct SweepCase {
  const char* name;
  uint8_t s;
  uint32_t addressValue; // A0-A6 and the data registers
  uint32_t stack;        // A7
  uint16_t extension;    // every word after the opcode
  CcrWord flags;         // the flags before each instruction
  int illegal, lineA, lineF, privilege;
};

void PrintTo(const SweepCase& c, std::ostream* os) { *os << c.name; }

// The CCR bit of each flag column of a row (X N Z V C).
constexpr CcrWord FLAG_OF_COLUMN[FLAG_COLUMN_COUNT] = {CCR_X, CCR_N, CCR_Z, CCR_V, CCR_C};

// The flags a decode entry's row allows the instruction to change.
CcrWord flagsTheRowSets(const InstrEntry& e) {
  CcrWord flags = 0;
  for (int f = 0; f < FLAG_COLUMN_COUNT; ++f)
    if (e.flagsSet >> f & 1)
      flags |= FLAG_OF_COLUMN[f];
  return flags;
}

// The rows whose instructions take the privilege vector in user mode.
bool privilegedHere(const InstrEntry& e) { return e.privilege != PRIVILEGE_NONE && e.mnemonic != MN_MVSR2; }

std::string hexOpcode(uint32_t op) {
  char text[8];
  snprintf(text, sizeof text, "%04X", op);
  return text;
}

class OpcodeSweep : public testing::TestWithParam<SweepCase> {};

TEST_P(OpcodeSweep, EveryOpcodeStaysInsideTheImageAndKeepsToItsRow) {
  const SweepCase& c = GetParam();
  int vectorHits[VECTORS_LAID] = {};
  std::vector<std::string> strayFlags, wrongPrivilege;
  const std::vector<uint16_t> code(8, c.extension);
  cpuMachine(code);
  silenced(SILENCE_STDOUT_AND_STDERR, [&] { // the sweep prints a warning per stray access
    for (uint32_t op = 0; op < OPCODE_COUNT; ++op) {
      // Only what an instruction may have changed is laid again: vectors, code, the frame.
      for (uint32_t v = 0; v < VECTORS_LAID; ++v)
        pokeWords(4 * v, {uint16_t(handlerOf(v) >> 16), uint16_t(handlerOf(v))});
      pokeWords(CODE_ADDRESS, code);
      pokeWords(CODE_ADDRESS, {uint16_t(op)});
      pokeWords(STACK_TOP - 6, {0, 0, 0});
      cpuState = CpuState{};
      setPc(CODE_ADDRESS);
      for (int r = 0; r < 15; ++r)
        cpuState.regs[r] = c.addressValue + uint32_t(r & 1);
      cpuState.regs[REG_A7] = c.stack;
      cpuState.s = c.s;
      cpuState.ssp = STACK_TOP;
      ccrWord = c.flags;
      step();
      const uint32_t pc = getPc();
      const bool vectorTaken = pc >= HANDLER_BASE && pc < handlerOf(VECTORS_LAID) &&
                               (pc - HANDLER_BASE) % HANDLER_SPACING == 0 && peekLong(STACK_TOP - 4) == CODE_ADDRESS;
      if (vectorTaken)
        ++vectorHits[(pc - HANDLER_BASE) / HANDLER_SPACING];
      const InstrEntry& e = decodeState.table[op];
      if ((ccrWord ^ c.flags) & CCR_ALL & ~flagsTheRowSets(e))
        strayFlags.push_back(hexOpcode(op));
      if ((vectorTaken && pc == handlerOf(VECTOR_PRIVILEGE)) != (!c.s && privilegedHere(e)))
        wrongPrivilege.push_back(hexOpcode(op));
    }
  });
  EXPECT_EQ(vectorHits[VECTOR_ILLEGAL], c.illegal);
  EXPECT_EQ(vectorHits[VECTOR_LINE_A], c.lineA);
  EXPECT_EQ(vectorHits[VECTOR_LINE_F], c.lineF);
  EXPECT_EQ(vectorHits[VECTOR_PRIVILEGE], c.privilege);
  EXPECT_TRUE(strayFlags.empty()) << "flags outside the row's effect columns changed by "
                                  << testing::PrintToString(strayFlags);
  EXPECT_TRUE(wrongPrivilege.empty()) << "privilege vector against the row's privilege column: "
                                      << testing::PrintToString(wrongPrivilege);
}

// 19202 opcodes have no instruction: 4096 in each of lines A and F, the rest take vector 4.
// In user mode the 75 privileged opcodes take vector 8 with the opcode's address.
// The flags start clear, all set or mixed, so that a stray set and a stray clear both show.
INSTANTIATE_TEST_SUITE_P(
    Registers, OpcodeSweep,
    testing::Values(SweepCase{"PastTheEnd", 1, 0xFFFFFFFE, STACK_TOP, 0xFFFF, 0, 11010, 4096, 4096, 0},
                    SweepCase{"LastBytesUser", 0, MEMORY_SIZE - 2, MEMORY_SIZE - 1, 0x7FFE, CCR_ALL, 11010, 4096, 4096,
                              75},
                    SweepCase{"AddressZeroUser", 0, 0, 2, 0x8000, CCR_X | CCR_Z, 11010, 4096, 4096, 75},
                    SweepCase{"AllFlagsSupervisor", 1, 0x60000, STACK_TOP, 0x0004, CCR_ALL, 11010, 4096, 4096, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
