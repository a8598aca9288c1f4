// Data movement, integer arithmetic, logic, comparison, multiply, divide and
// decimal arithmetic of the handler family.
#pragma once
#include "cpu68k/exceptions.h"
#include "cpu68k/operands.h"

namespace cpu {

// The source of a two-operand instruction: quick data from the opcode or an operand.
template <uint32_t SRC, uint32_t SIZE, uint32_t SP> inline uint32_t sourceValue(uint32_t opcode) {
  if constexpr (SRC == MODE_IMMI)
    return uint32_t(quickValue[field<SP>(opcode)]);
  else
    return readEa<SRC, SIZE>(field<SP>(opcode));
}

// OR, AND, EOR, ADD, SUB, CMP: d = d op s.
template <uint32_t MN, uint32_t SIZE, uint32_t SRC, uint32_t DST, uint32_t SP, uint32_t DP>
inline void binaryOp(uint32_t opcode) {
  const uint32_t s = sourceValue<SRC, SIZE, SP>(opcode);
  uint32_t at;
  uint32_t d;
  if constexpr (MN == MN_CMP && DST != MODE_DREG) {
    at = 0;
    d = readEa<DST, SIZE>(field<DP>(opcode)); // CMPI may read PC-relative and immediate operands
  } else {
    at = locate<DST, SIZE>(field<DP>(opcode));
    d = readAt<DST, SIZE>(at);
  }
  uint32_t r;
  if constexpr (MN == MN_OR || MN == MN_AND || MN == MN_EOR) {
    r = MN == MN_OR ? d | s : MN == MN_AND ? d & s : d ^ s;
    setFlags(CCR_NZVC, nzFlags<SIZE>(r));
  } else if constexpr (MN == MN_ADD) {
    r = d + s;
    setFlags(CCR_ALL, addCarryFlags<SIZE>(s, d, r) | nzFlags<SIZE>(r));
  } else {
    r = d - s;
    const CcrWord mask = MN == MN_CMP ? CCR_NZVC : CCR_ALL;
    setFlags(mask, (subBorrowFlags<SIZE>(s, d, r) | nzFlags<SIZE>(r)) & mask);
  }
  if constexpr (MN != MN_CMP)
    writeAt<DST, SIZE>(at, r);
}

// ADDA, SUBA, CMPA and ADDQ/SUBQ to An: 32-bit, word sources sign-extended.
template <uint32_t MN, uint32_t SIZE, uint32_t SRC, uint32_t SP, uint32_t DP> inline void addressOp(uint32_t opcode) {
  uint32_t s = sourceValue<SRC, SIZE, SP>(opcode);
  if constexpr (SRC != MODE_IMMI)
    s = uint32_t(signExtend<SIZE>(s));
  uint32_t& a = areg(field<DP>(opcode));
  if constexpr (MN == MN_ADDA) {
    a += s;
  } else if constexpr (MN == MN_SUBA) {
    a -= s;
  } else {
    const uint32_t r = a - s;
    setFlags(CCR_NZVC, (subBorrowFlags<SIZE_LONG>(s, a, r) | nzFlags<SIZE_LONG>(r)) & CCR_NZVC);
  }
}

// ADDX, SUBX: d = d +/- s +/- X, both operands in MODE; Z only cleared.
template <uint32_t MN, uint32_t SIZE, uint32_t MODE, uint32_t SP, uint32_t DP> inline void extendOp(uint32_t opcode) {
  const uint32_t s = readEa<MODE, SIZE>(field<SP>(opcode));
  const uint32_t at = locate<MODE, SIZE>(field<DP>(opcode));
  const uint32_t d = readAt<MODE, SIZE>(at);
  const uint32_t x = ccrWord >> 16 & 1;
  uint32_t r;
  CcrWord f;
  if constexpr (MN == MN_ADDX) {
    r = d + s + x;
    f = addCarryFlags<SIZE>(s, d, r);
  } else {
    r = d - s - x;
    f = subBorrowFlags<SIZE>(s, d, r);
  }
  const CcrWord z = (r & SIZE_MASK<SIZE>) ? 0 : (ccrWord & CCR_Z);
  setFlags(CCR_ALL, f | z);
  writeAt<MODE, SIZE>(at, r);
}

// NEG, NEGX, NOT, CLR on one operand; TST reads only.
template <uint32_t MN, uint32_t SIZE, uint32_t MODE, uint32_t POS> inline void unaryOp(uint32_t opcode) {
  if constexpr (MN == MN_TST) {
    setFlags(CCR_NZVC, nzFlags<SIZE>(readEa<MODE, SIZE>(field<POS>(opcode))));
  } else if constexpr (MN == MN_CLR) {
    writeAt<MODE, SIZE>(locate<MODE, SIZE>(field<POS>(opcode)), 0);
    setFlags(CCR_NZVC, CCR_Z);
  } else {
    const uint32_t at = locate<MODE, SIZE>(field<POS>(opcode));
    const uint32_t d = readAt<MODE, SIZE>(at);
    uint32_t r;
    if constexpr (MN == MN_NOT) {
      r = ~d;
      setFlags(CCR_NZVC, nzFlags<SIZE>(r));
    } else if constexpr (MN == MN_NEG) {
      r = 0 - d;
      setFlags(CCR_ALL, subBorrowFlags<SIZE>(d, 0, r) | nzFlags<SIZE>(r));
    } else {
      r = 0 - d - (ccrWord >> 16 & 1);
      const CcrWord z = (r & SIZE_MASK<SIZE>) ? 0 : (ccrWord & CCR_Z);
      setFlags(CCR_ALL, subBorrowFlags<SIZE>(d, 0, r) | z);
    }
    writeAt<MODE, SIZE>(at, r);
  }
}

// MOVE, MOVEA and MOVEQ.
template <uint32_t MN, uint32_t SIZE, uint32_t SRC, uint32_t DST, uint32_t SP, uint32_t DP>
inline void moveOp(uint32_t opcode) {
  if constexpr (SRC == MODE_IMMI) { // MOVEQ
    const uint32_t v = uint32_t(int8_t(opcode));
    dreg(field<DP>(opcode)) = v;
    setFlags(CCR_NZVC, nzFlags<SIZE_LONG>(v));
  } else if constexpr (MN == MN_MOVEA) {
    areg(field<DP>(opcode)) = uint32_t(signExtend<SIZE>(readEa<SRC, SIZE>(field<SP>(opcode))));
  } else {
    const uint32_t v = readEa<SRC, SIZE>(field<SP>(opcode));
    writeAt<DST, SIZE>(locate<DST, SIZE>(field<DP>(opcode)), v);
    setFlags(CCR_NZVC, nzFlags<SIZE>(v));
  }
}

// SWAP, EXT.W, EXT.L, EXTB.L.
template <uint32_t MN, uint32_t SIZE> inline void registerOp(uint32_t opcode) {
  uint32_t& d = dreg(opcode & 7);
  if constexpr (MN == MN_SWAP) {
    d = d >> 16 | d << 16;
    setFlags(CCR_NZVC, nzFlags<SIZE_LONG>(d));
  } else if constexpr (SIZE == SIZE_WORD) {
    d = (d & 0xFFFF0000) | (uint32_t(int8_t(d)) & 0xFFFF);
    setFlags(CCR_NZVC, nzFlags<SIZE_WORD>(d));
  } else {
    d = SIZE == SIZE_LONG ? uint32_t(int16_t(d)) : uint32_t(int8_t(d));
    setFlags(CCR_NZVC, nzFlags<SIZE_LONG>(d));
  }
}

// EXG of two data, two address, or a data and an address register.
template <uint32_t SRC, uint32_t DST> inline void exchangeOp(uint32_t opcode) {
  uint32_t& a = SRC == MODE_DREG ? dreg(opcode >> 9 & 7) : areg(opcode >> 9 & 7);
  uint32_t& b = DST == MODE_DREG ? dreg(opcode & 7) : areg(opcode & 7);
  const uint32_t t = a;
  a = b;
  b = t;
}

// MULU, MULS: 16 x 16 to 32 bits.
template <uint32_t MN, uint32_t SRC, uint32_t SP> inline void multiplyOp(uint32_t opcode) {
  const uint32_t s = readEa<SRC, SIZE_WORD>(field<SP>(opcode));
  uint32_t& d = dreg(opcode >> 9 & 7);
  if constexpr (MN == MN_MULU)
    d = (d & 0xFFFF) * s;
  else
    d = uint32_t(int32_t(int16_t(d)) * int32_t(int16_t(s)));
  setFlags(CCR_NZVC, nzFlags<SIZE_LONG>(d));
}

// DIVU, DIVS: 32 / 16; zero takes vector 5, overflow sets N and V and keeps Dn.
template <uint32_t MN, uint32_t SRC, uint32_t SP> inline void divideOp(uint32_t opcode) {
  const uint32_t s = readEa<SRC, SIZE_WORD>(field<SP>(opcode));
  if (s == 0) {
    takeException(VECTOR_ZERO_DIVIDE);
    return;
  }
  uint32_t& d = dreg(opcode >> 9 & 7);
  uint32_t quotient, remainder;
  bool overflow;
  if constexpr (MN == MN_DIVU) {
    quotient = d / s;
    remainder = d % s;
    overflow = quotient > 0xFFFF;
  } else {
    // 64-bit so that 0x80000000 / -1 cannot trap on the host.
    const int64_t dividend = int32_t(d), divisor = int16_t(s);
    const int64_t q = dividend / divisor;
    quotient = uint32_t(q);
    remainder = uint32_t(dividend % divisor);
    overflow = q < -32768 || q > 32767;
  }
  if (overflow) {
    setFlags(CCR_N | CCR_V | CCR_C, CCR_N | CCR_V);
    return;
  }
  d = remainder << 16 | (quotient & 0xFFFF);
  setFlags(CCR_NZVC, nzFlags<SIZE_WORD>(quotient));
}

// ABCD, SBCD and NBCD on byte operands (the board's formulas, also for non-decimal digits).
inline uint32_t decimalAdd(uint32_t s, uint32_t d) {
  const uint32_t x = ccrWord >> 16 & 1;
  uint32_t low = (d & 0x0F) + (s & 0x0F) + x;
  if (low > 9)
    low += 6;
  uint32_t sum = (d & 0xF0) + (s & 0xF0) + low;
  // Bit 9 counts too: two high digits of F carry out although sum & 0x1F0 is small.
  const bool carry = (sum & 0x3F0) > 0x90;
  if (carry)
    sum += 0x60;
  const uint32_t r = sum & 0xFF;
  const CcrWord z = r ? 0 : (ccrWord & CCR_Z);
  const bool v = ((s ^ d) & (r ^ d) & 0x80) != 0;
  setFlags(CCR_ALL, flagIf(carry, CCR_C | CCR_X) | z | flagIf(r & 0x80, CCR_N) | flagIf(v, CCR_V));
  return r;
}

template <bool KEEP_V> inline uint32_t decimalSubtract(uint32_t s, uint32_t d) {
  const uint32_t x = ccrWord >> 16 & 1;
  uint16_t low = uint16_t((d & 0x0F) - (s & 0x0F) - x);
  uint16_t high = uint16_t((d & 0xF0) - (s & 0xF0));
  if (low > 9) {
    low = uint16_t(low - 6);
    high = uint16_t(high - 0x10);
  }
  const bool borrow = (high & 0x1F0) > 0x90;
  uint16_t result = uint16_t(high + (low & 0x0F));
  if (borrow)
    result = uint16_t(result - 0x60);
  const uint32_t r = result & 0xFF;
  const CcrWord z = r ? 0 : (ccrWord & CCR_Z);
  CcrWord v = ((s ^ d) & (r ^ d) & 0x80) ? CCR_V : 0;
  if constexpr (KEEP_V)
    v = ccrWord & CCR_V;
  setFlags(CCR_ALL, flagIf(borrow, CCR_C | CCR_X) | z | flagIf(r & 0x80, CCR_N) | v);
  return r;
}

// ABCD, SBCD: both operands in MODE (Dn or -(An)).
template <uint32_t MN, uint32_t MODE> inline void decimalOp(uint32_t opcode) {
  const uint32_t s = readEa<MODE, SIZE_BYTE>(opcode & 7);
  const uint32_t at = locate<MODE, SIZE_BYTE>(opcode >> 9 & 7);
  const uint32_t d = readAt<MODE, SIZE_BYTE>(at);
  writeAt<MODE, SIZE_BYTE>(at, MN == MN_ABCD ? decimalAdd(s, d) : decimalSubtract<false>(s, d));
}

template <uint32_t DST, uint32_t DP> inline void negateDecimalOp(uint32_t opcode) {
  const uint32_t at = locate<DST, SIZE_BYTE>(field<DP>(opcode));
  writeAt<DST, SIZE_BYTE>(at, decimalSubtract<true>(readAt<DST, SIZE_BYTE>(at), 0));
}

// CHK.W, CHK.L: vector 6 when Dn is below 0 or above the bound; no flag changes otherwise.
template <uint32_t SIZE, uint32_t SRC, uint32_t SP> inline void checkOp(uint32_t opcode) {
  const int32_t bound = signExtend<SIZE>(readEa<SRC, SIZE>(field<SP>(opcode)));
  const int32_t value = signExtend<SIZE>(dreg(opcode >> 9 & 7));
  if (value < 0) {
    setFlags(CCR_N, CCR_N);
    takeException(VECTOR_CHK);
  } else if (value > bound) {
    setFlags(CCR_N, 0);
    takeException(VECTOR_CHK);
  }
}

} // namespace cpu
