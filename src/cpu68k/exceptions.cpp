#include "cpu68k/exceptions.h"

#include <cstdio>

#include "cpu68k/cpu_state.h"
#include "cpu68k/disassemble.h"
#include "driver/memory.h"
#include "driver/warnings.h"

ExceptionWatch exceptionWatch;

void takeException(uint32_t vector) {
  buildSr();
  if (!cpuState.s) {
    cpuState.usp = cpuState.regs[REG_A7];
    cpuState.regs[REG_A7] = cpuState.ssp;
    cpuState.s = 1;
  }
  const uint32_t pc = getPc();
  uint32_t& sp = cpuState.regs[REG_A7];
  sp -= 4;
  writeLong(sp, pc);
  sp -= 2;
  writeWord(sp, cpuState.sr);
  setPc(readLong(cpuState.vbr + 4 * vector));
  cpuState.t1 = 0;
  cpuState.t0 = 0;
  cpuState.m = 0;
  cpuState.specialFlags &= ~SPECIAL_TRACE_CLEAR;
  if (exceptionWatch.taken) [[unlikely]]
    exceptionWatch.taken(vector, getPc());
}

// Instructions shown after the illegal word in the run's first report.
static constexpr int ILLEGAL_CONTEXT_INSTRUCTIONS = 8;

// The first illegal word of a run with the code that follows it and where its vector leads: the
// place a programmer looks first.
static void reportIllegalContext(uint32_t at) {
  if (warningBudget.illegalContextShown)
    return;
  warningBudget.illegalContextShown = true;
  char text[DISASSEMBLY_TEXT_SIZE];
  char name[PLACE_NAME_SIZE];
  const auto placeName = [&name](uint32_t address) {
    return exceptionWatch.placeName ? exceptionWatch.placeName(address, name, sizeof name) : "";
  };
  uint32_t address = at;
  for (int i = 0; i <= ILLEGAL_CONTEXT_INSTRUCTIONS; ++i) {
    const int length = disassembleMemory(address, text, sizeof text);
    printWarning(stderr, "  %08lx  %s%s", (unsigned long)address, text, placeName(address));
    address += uint32_t(length);
  }
  const uint32_t vectorAddress = cpuState.vbr + 4 * VECTOR_ILLEGAL;
  const uint32_t handler = vectorAddress < MEMORY_SIZE - 3 ? peekLong(vectorAddress) : 0;
  printWarning(stderr, "  vector %u leads to %08lx%s", unsigned(VECTOR_ILLEGAL), (unsigned long)handler,
               placeName(handler));
}

void illegalInstruction(uint32_t opcode) {
  cpuState.pcHost -= 2;
  switch (opcode >> 12) {
  case 0xF:
    takeException(VECTOR_LINE_F);
    break;
  case 0xA:
    takeException(VECTOR_LINE_A);
    break;
  default:
    if (mayPrintWarning()) {
      printWarning(stderr, "Illegal instruction: %04x at %08lx", unsigned(opcode), (unsigned long)getPc());
      reportIllegalContext(getPc());
    }
    takeException(VECTOR_ILLEGAL);
  }
}

void privilegeViolation() {
  cpuState.pcHost -= 2;
  takeException(VECTOR_PRIVILEGE);
}
