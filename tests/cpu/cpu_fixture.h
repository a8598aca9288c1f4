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

// A fresh machine in supervisor mode with the tables built (once), every
// vector 0-63 pointing at its own handler address and the code at CODE_ADDRESS.
inline void cpuMachine(const std::vector<uint16_t>& code) {
  static bool built = false;
  if (!built) {
    freshMachine();
    captureStdout([] { buildCpuTables(); });
    built = true;
  }
  freshMachine();
  for (uint32_t v = 0; v < 64; ++v) {
    const uint32_t handler = HANDLER_BASE + 16 * v;
    pokeWords(4 * v, {uint16_t(handler >> 16), uint16_t(handler)});
  }
  pokeWords(CODE_ADDRESS, code);
  cpuState.s = 1;
  cpuState.regs[REG_A7] = STACK_TOP;
  cpuState.ssp = 0;
  cpuState.usp = USER_STACK_TOP;
  setPc(CODE_ADDRESS);
}

// Runs the instruction at the PC exactly as the frame loop does.
inline void step() {
  const uint32_t opcode = fetchWord();
  opHandlerTable[opcode](opcode);
}

// The handler address vector n leads to.
inline uint32_t handlerOf(uint32_t vector) { return HANDLER_BASE + 16 * vector; }
