// Control flow, address instructions, and the status and exception instructions.
#pragma once
#include "cpu68k/exceptions.h"
#include "cpu68k/operands.h"

namespace cpu {

// Displacement of a branch: the opcode's low byte, or one word (IMM1) or two (IMM2) after it.
template <uint32_t SRC> inline uint32_t branchDisplacement(uint32_t opcode) {
  if constexpr (SRC == MODE_IMMI)
    return uint32_t(int8_t(opcode));
  else if constexpr (SRC == MODE_IMM1)
    return uint32_t(int16_t(fetchWord()));
  else
    return fetchLong();
}

// Bcc, BRA and BSR: relative to the word after the opcode; a taken branch moves only the fetch position.
template <uint32_t MN, uint32_t CC, uint32_t SRC> inline void branchOp(uint32_t opcode) {
  const uint32_t base = cpuState.pcHost;
  const uint32_t displacement = branchDisplacement<SRC>(opcode);
  if constexpr (MN == MN_BSR) {
    push32(getPc());
  } else if (!condition<CC>()) {
    return;
  }
  cpuState.pcHost = base + displacement;
}

// DBcc: past the displacement when the condition holds or the counter runs out.
template <uint32_t CC> inline void decrementBranchOp(uint32_t opcode) {
  const uint32_t base = cpuState.pcHost;
  if (condition<CC>()) {
    cpuState.pcHost += 2;
    return;
  }
  uint32_t& d = dreg(opcode & 7);
  const uint32_t count = (d - 1) & 0xFFFF;
  d = (d & 0xFFFF0000) | count;
  if (count == 0xFFFF)
    cpuState.pcHost += 2;
  else
    cpuState.pcHost = base + uint32_t(int16_t(fetchWord()));
}

// LEA, PEA, JMP, JSR on a control address.
template <uint32_t MN, uint32_t SRC, uint32_t SP, uint32_t DP> inline void addressUseOp(uint32_t opcode) {
  const uint32_t address = controlAddress<SRC>(field<SP>(opcode));
  if constexpr (MN == MN_LEA) {
    areg(field<DP>(opcode)) = address;
  } else if constexpr (MN == MN_PEA) {
    push32(address);
  } else {
    if constexpr (MN == MN_JSR)
      push32(getPc());
    setPc(address);
  }
}

// LINK: push An, An = A7, then A7 += displacement (for A7 the decremented value is pushed).
inline void linkOp(uint32_t opcode) {
  const uint32_t r = opcode & 7;
  uint32_t& sp = cpuState.regs[REG_A7];
  sp -= 4;
  writeLong(sp, areg(r));
  areg(r) = sp;
  sp += uint32_t(int16_t(fetchWord()));
}

// UNLK: A7 = An, An = the long popped (for A7 the popped long wins).
inline void unlinkOp(uint32_t opcode) {
  uint32_t& a = areg(opcode & 7);
  cpuState.regs[REG_A7] = a;
  const uint32_t v = pop32();
  a = v;
}

inline void returnOp() { setPc(pop32()); }

// RTD: pop the PC, then add the displacement to A7.
inline void returnDeallocateOp() {
  const uint32_t displacement = uint32_t(int16_t(fetchWord()));
  setPc(pop32());
  cpuState.regs[REG_A7] += displacement;
}

inline void returnRestoreOp() {
  buildSr();
  const uint32_t ccr = pop16();
  setPc(pop32());
  cpuState.sr = uint16_t((cpuState.sr & 0xFF00) | (ccr & 0xFF));
  loadSr();
}

inline void returnExceptionOp() {
  const uint32_t sr = pop16();
  setPc(pop32());
  cpuState.sr = uint16_t(sr);
  loadSr();
}

// ORI, ANDI, EORI to CCR (byte) and to SR (word).
template <uint32_t MN, uint32_t SIZE> inline void statusImmediateOp() {
  buildSr();
  uint32_t v = fetchWord();
  if constexpr (SIZE == SIZE_BYTE) {
    v &= 0xFF;
    if constexpr (MN == MN_ANDSR)
      v |= 0xFF00;
  }
  const uint32_t sr = cpuState.sr;
  cpuState.sr = uint16_t(MN == MN_ORSR ? sr | v : MN == MN_ANDSR ? sr & v : sr ^ v);
  loadSr();
}

// MOVE to CCR (a word operand, low byte used) and MOVE to SR.
template <uint32_t SIZE, uint32_t SRC, uint32_t SP> inline void moveToStatusOp(uint32_t opcode) {
  const uint32_t v = readEa<SRC, SIZE_WORD>(field<SP>(opcode));
  if constexpr (SIZE == SIZE_BYTE) {
    buildSr();
    cpuState.sr = uint16_t((cpuState.sr & 0xFF00) | (v & 0xFF));
  } else {
    cpuState.sr = uint16_t(v);
  }
  loadSr();
}

// MOVE from SR (not privileged on this board); the destination is not read.
template <uint32_t DST, uint32_t DP> inline void moveFromStatusOp(uint32_t opcode) {
  const uint32_t at = locate<DST, SIZE_WORD>(field<DP>(opcode));
  buildSr();
  writeAt<DST, SIZE_WORD>(at, cpuState.sr);
}

inline void stopOp() {
  cpuState.sr = uint16_t(fetchWord());
  loadSr();
  cpuState.stopped = 1;
  cpuState.specialFlags |= SPECIAL_STOPPED;
}

} // namespace cpu
