// Every opcode, run with registers and extension words that point everywhere
// (past the image, at its last bytes, at address 0), stays inside the image
// (the sanitizer build checks the accesses) and reaches the right vectors.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include "cpu/cpu_fixture.h"

namespace {

struct SweepCase {
  const char* name;
  uint8_t s;
  uint32_t addressValue; // A0-A6 and the data registers
  uint32_t stack;        // A7
  uint16_t extension;    // every word after the opcode
  int illegal, lineA, lineF, privilege;
};

// Runs fn with stdout and stderr sent nowhere: the sweep prints a warning per stray access.
template <typename F> void quietly(F fn) {
  fflush(stdout);
  fflush(stderr);
  const int out = dup(1), err = dup(2), null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  dup2(null, 2);
  fn();
  fflush(stdout);
  fflush(stderr);
  dup2(out, 1);
  dup2(err, 2);
  close(out);
  close(err);
  close(null);
}

class OpcodeSweep : public testing::TestWithParam<SweepCase> {};

TEST_P(OpcodeSweep, EveryOpcodeStaysInsideTheImage) {
  const SweepCase& c = GetParam();
  int vectorHits[64] = {};
  const std::vector<uint16_t> code(8, c.extension);
  cpuMachine(code);
  quietly([&] {
    for (uint32_t op = 0; op < OPCODE_COUNT; ++op) {
      // Only what an instruction may have changed is laid again: vectors, code, the frame.
      for (uint32_t v = 0; v < 64; ++v)
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
      step();
      const uint32_t pc = getPc();
      if (pc >= HANDLER_BASE && pc < HANDLER_BASE + 16 * 64 && pc % 16 == 0 && readLong(STACK_TOP - 4) == CODE_ADDRESS)
        ++vectorHits[(pc - HANDLER_BASE) / 16];
    }
  });
  EXPECT_EQ(vectorHits[4], c.illegal);
  EXPECT_EQ(vectorHits[10], c.lineA);
  EXPECT_EQ(vectorHits[11], c.lineF);
  EXPECT_EQ(vectorHits[8], c.privilege);
}

// 19202 opcodes have no instruction: 4096 in each of lines A and F, the rest take vector 4.
// In user mode the 75 privileged opcodes take vector 8 with the opcode's address.
INSTANTIATE_TEST_SUITE_P(
    Registers, OpcodeSweep,
    testing::Values(SweepCase{"PastTheEnd", 1, 0xFFFFFFFE, STACK_TOP, 0xFFFF, 11010, 4096, 4096, 0},
                    SweepCase{"LastBytesUser", 0, MEMORY_SIZE - 2, MEMORY_SIZE - 1, 0x7FFE, 11010, 4096, 4096, 75},
                    SweepCase{"AddressZeroUser", 0, 0, 2, 0x8000, 11010, 4096, 4096, 75}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
