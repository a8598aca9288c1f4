#include "cpu68k/cpu_state.h"

CpuState cpuState;
CcrWord ccrWord;

// The address space's warnings name the PC of the instruction making the access: the CPU lends it
// before anything runs.
static const bool ACCESS_PC_LENT = [] {
  accessPc = getPc;
  return true;
}();

void buildSr() { cpuState.sr = currentSr(); }

uint16_t currentSr() {
  const CcrWord f = ccrWord;
  return uint16_t(cpuState.t1 << 15 | cpuState.t0 << 14 | cpuState.s << 13 | cpuState.m << 12 |
                  (cpuState.intMask & 7) << 8 | ((f & CCR_X) ? 0x10 : 0) | ((f & CCR_N) ? 8 : 0) |
                  ((f & CCR_Z) ? 4 : 0) | ((f & CCR_V) ? 2 : 0) | ((f & CCR_C) ? 1 : 0));
}

void loadSr() {
  const uint32_t sr = cpuState.sr;
  cpuState.t1 = (sr >> 15) & 1;
  cpuState.t0 = (sr >> 14) & 1;
  cpuState.m = (sr >> 12) & 1;
  cpuState.intMask = (sr >> 8) & 7;
  CcrWord f = ccrWord & ~CCR_ALL;
  if (sr & 0x10) f |= CCR_X;
  if (sr & 0x08) f |= CCR_N;
  if (sr & 0x04) f |= CCR_Z;
  if (sr & 0x02) f |= CCR_V;
  if (sr & 0x01) f |= CCR_C;
  ccrWord = f;
  const uint8_t oldS = cpuState.s;
  cpuState.s = (sr >> 13) & 1;
  if (oldS && !cpuState.s) {
    cpuState.ssp = cpuState.regs[REG_A7];
    cpuState.regs[REG_A7] = cpuState.usp;
  } else if (!oldS && cpuState.s) {
    cpuState.usp = cpuState.regs[REG_A7];
    cpuState.regs[REG_A7] = cpuState.ssp;
  }
  cpuState.specialFlags |= SPECIAL_SR_LOADED;
  if (cpuState.t1 || cpuState.t0)
    cpuState.specialFlags |= SPECIAL_TRACE;
  else
    cpuState.specialFlags &= ~SPECIAL_TRACE_CLEAR;
}

void resetCpu() {
  // The vectors are read straight from the image; it always holds at least 8 bytes.
  cpuState.regs[REG_A7] = peekLong(0);
  cpuState.s = 1;
  cpuState.intMask = 7;
  setPc(peekLong(4));
  cpuState.m = 0;
  cpuState.stopped = 0;
  cpuState.t1 = 0;
  cpuState.t0 = 0;
  ccrWord &= ~CCR_NZVC;
  cpuState.specialFlags = 0;
  cpuState.vbr = 0;
  cpuState.reserved68[0] = 0;  // 0x68
  cpuState.reserved68[1] = 0;  // 0x6C
  cpuState.reserved68[18] = 0; // 0xB0
  cpuState.reserved68[19] = 0; // 0xB4
  cpuState.reserved68[20] = 0; // 0xB8
}
