// Helpers of the CPU tests: a machine with the CPU tables built, code placed
// at a fixed address, and single instructions run through the dispatch table.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "support/test_support.h"

inline constexpr uint32_t CODE_ADDRESS = 0x41000;  // writable RAM, no ROM warnings
inline constexpr uint32_t STACK_TOP = 0x8F000;     // supervisor stack
inline constexpr uint32_t USER_STACK_TOP = 0x8E000; // user stack
inline constexpr uint32_t HANDLER_BASE = 0x50000;   // vector n points at HANDLER_BASE + 16 * n
inline constexpr uint32_t HANDLER_SPACING = 16;
inline constexpr uint32_t VECTORS_LAID = 64;

// Register numbers of cpuState.regs and the flags, as the case tables write them.
inline constexpr int D0 = 0, D1 = 1, A0 = REG_A0, A1 = REG_A0 + 1, A6 = REG_A0 + 6, A7 = REG_A7;
inline constexpr CcrWord X = CCR_X, N = CCR_N, Z = CCR_Z, V = CCR_V, C = CCR_C;

struct RegValue {
  int reg; // 0-7 D0-D7, 8-15 A0-A7
  uint32_t value;
};
struct MemWord {
  uint32_t address;
  uint16_t word;
};

// The handler address vector n leads to.
inline uint32_t handlerOf(uint32_t vector) { return HANDLER_BASE + HANDLER_SPACING * vector; }

// A fresh machine in supervisor mode with the tables built (once), every
// vector 0-63 pointing at its own handler address and the code at CODE_ADDRESS.
inline void cpuMachine(const std::vector<uint16_t>& code) {
  static bool built = false;
  if (!built) {
    freshMachine();
    char message[64];
    buildCpuTables(message, sizeof message);
    built = true;
  }
  freshMachine();
  for (uint32_t v = 0; v < VECTORS_LAID; ++v)
    pokeWords(4 * v, {uint16_t(handlerOf(v) >> 16), uint16_t(handlerOf(v))});
  pokeWords(CODE_ADDRESS, code);
  cpuState.s = 1;
  cpuState.regs[REG_A7] = STACK_TOP;
  cpuState.ssp = 0;
  cpuState.usp = USER_STACK_TOP;
  setPc(CODE_ADDRESS);
}

// Runs the instruction at the PC exactly as the frame loop does.
inline void step() { executeInstruction(); }

// The single-instruction harness: a fresh machine with the code, in user mode
// (on USER_STACK_TOP, the supervisor stack at STACK_TOP) or supervisor mode,
// and the registers, memory words and flags laid; step() then runs it.
inline void layInstruction(const std::vector<uint16_t>& code, bool user, const std::vector<RegValue>& regs,
                           CcrWord ccr, const std::vector<MemWord>& memory) {
  cpuMachine(code);
  if (user) {
    cpuState.s = 0;
    cpuState.ssp = STACK_TOP;
    cpuState.regs[REG_A7] = USER_STACK_TOP;
  }
  for (const RegValue& r : regs)
    cpuState.regs[r.reg] = r.value;
  for (const MemWord& m : memory)
    pokeWords(m.address, {m.word});
  ccrWord = ccr;
}
