#include "cpu68k/exceptions.h"

#include <cstdio>

#include "cpu68k/cpu_state.h"
#include "driver/warnings.h"

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
    if (mayPrintWarning())
      fprintf(stderr, "Illegal instruction: %04x at %08lx\n", unsigned(opcode), (unsigned long)getPc());
    takeException(VECTOR_ILLEGAL);
  }
}

void privilegeViolation() {
  cpuState.pcHost -= 2;
  takeException(VECTOR_PRIVILEGE);
}
