// Bit manipulation, shifts and rotates, MOVEP, MOVEM, TAS and Scc.
#pragma once
#include "cpu68k/cpu_tables.h"
#include "cpu68k/operands.h"

namespace cpu {

// BTST, BCHG, BCLR, BSET: bit number modulo 32 on Dn, modulo 8 in memory.
template <uint32_t MN, uint32_t SRC, uint32_t DST, uint32_t DP> inline void bitOp(uint32_t opcode) {
  const uint32_t number = SRC == MODE_DREG ? dreg(opcode >> 9 & 7) : fetchWord();
  constexpr uint32_t SIZE = DST == MODE_DREG ? SIZE_LONG : SIZE_BYTE;
  const uint32_t bit = 1u << (number & (SIZE == SIZE_LONG ? 31 : 7));
  if constexpr (MN == MN_BTST) {
    setFlags(CCR_Z, flagIf(!(readEa<DST, SIZE>(field<DP>(opcode)) & bit), CCR_Z));
  } else {
    const uint32_t at = locate<DST, SIZE>(field<DP>(opcode));
    const uint32_t v = readAt<DST, SIZE>(at);
    setFlags(CCR_Z, flagIf(!(v & bit), CCR_Z));
    writeAt<DST, SIZE>(at, MN == MN_BCHG ? v ^ bit : MN == MN_BCLR ? v & ~bit : v | bit);
  }
}

// The shift and rotate operations, as an index into the mnemonic families.
enum ShiftKind { SHIFT_AS, SHIFT_LS, SHIFT_ROX, SHIFT_RO };

template <uint32_t MN> inline constexpr bool SHIFT_LEFT =
    MN == MN_ASL || MN == MN_LSL || MN == MN_ROL || MN == MN_ROXL || MN == MN_ASLW || MN == MN_LSLW ||
    MN == MN_ROLW || MN == MN_ROXLW;

template <uint32_t MN> inline constexpr ShiftKind SHIFT_KIND =
    (MN == MN_ASL || MN == MN_ASR || MN == MN_ASLW || MN == MN_ASRW)     ? SHIFT_AS
    : (MN == MN_LSL || MN == MN_LSR || MN == MN_LSLW || MN == MN_LSRW)   ? SHIFT_LS
    : (MN == MN_ROXL || MN == MN_ROXR || MN == MN_ROXLW || MN == MN_ROXRW) ? SHIFT_ROX
                                                                           : SHIFT_RO;

// Shifts or rotates v by count (0 to 63) and sets the flags; returns the result.
template <ShiftKind KIND, bool LEFT, uint32_t SIZE> inline uint32_t shiftValue(uint32_t v, uint32_t count) {
  constexpr uint32_t W = SIZE_BITS<SIZE>;
  constexpr uint64_t MASK = SIZE_MASK<SIZE>;
  v &= SIZE_MASK<SIZE>;
  const uint64_t x = ccrWord >> 16 & 1;
  if (count == 0) {
    const CcrWord c = KIND == SHIFT_ROX ? flagIf(x, CCR_C) : 0;
    setFlags(CCR_NZVC, nzFlags<SIZE>(v) | c);
    return v;
  }
  uint64_t r;
  bool carry;
  bool overflow = false;
  if constexpr (KIND == SHIFT_ROX) {
    const uint32_t k = count % (W + 1);
    const uint64_t wide = x << W | v;
    constexpr uint64_t WIDE_MASK = (uint64_t(1) << (W + 1)) - 1;
    uint64_t rotated = wide;
    if (k)
      rotated = LEFT ? (wide << k | wide >> (W + 1 - k)) & WIDE_MASK : (wide >> k | wide << (W + 1 - k)) & WIDE_MASK;
    r = rotated & MASK;
    carry = rotated >> W & 1;
  } else if constexpr (KIND == SHIFT_RO) {
    const uint32_t k = count % W;
    r = k ? (LEFT ? (uint64_t(v) << k | v >> (W - k)) : (v >> k | uint64_t(v) << (W - k))) & MASK : v;
    carry = LEFT ? (r & 1) : (r >> (W - 1) & 1);
  } else if constexpr (LEFT) {
    r = count < W ? (uint64_t(v) << count) & MASK : 0;
    carry = count <= W && (uint64_t(v) >> (W - count) & 1);
    if constexpr (KIND == SHIFT_AS) {
      if (count >= W) {
        overflow = v != 0;
      } else {
        const uint64_t top = ((uint64_t(1) << (count + 1)) - 1) << (W - count - 1);
        overflow = (v & top) != 0 && (v & top) != top;
      }
    }
  } else if constexpr (KIND == SHIFT_AS) {
    const int64_t signedV = signExtend<SIZE>(v);
    r = uint64_t(signedV >> (count < W ? count : W - 1)) & MASK;
    carry = count < W ? (signedV >> (count - 1) & 1) : (signedV < 0);
  } else {
    r = count < W ? uint64_t(v) >> count : 0;
    carry = count <= W && (uint64_t(v) >> (count - 1) & 1);
  }
  CcrWord f = nzFlags<SIZE>(uint32_t(r)) | flagIf(carry, CCR_C) | flagIf(overflow, CCR_V);
  if constexpr (KIND == SHIFT_RO) {
    setFlags(CCR_NZVC, f);
  } else {
    setFlags(CCR_ALL, f | flagIf(carry, CCR_X));
  }
  return uint32_t(r);
}

// Shifts of Dn by a quick count or by a register count modulo 64.
template <uint32_t MN, uint32_t SIZE, uint32_t SRC> inline void shiftRegisterOp(uint32_t opcode) {
  const uint32_t count = SRC == MODE_IMMI ? uint32_t(quickValue[opcode >> 9 & 7]) : dreg(opcode >> 9 & 7) & 63;
  uint32_t& d = dreg(opcode & 7);
  const uint32_t r = shiftValue<SHIFT_KIND<MN>, SHIFT_LEFT<MN>, SIZE>(d, count);
  d = (d & ~SIZE_MASK<SIZE>) | r;
}

// Shifts of a memory word by one.
template <uint32_t MN, uint32_t DST, uint32_t DP> inline void shiftMemoryOp(uint32_t opcode) {
  const uint32_t at = locate<DST, SIZE_WORD>(field<DP>(opcode));
  writeAt<DST, SIZE_WORD>(at, shiftValue<SHIFT_KIND<MN>, SHIFT_LEFT<MN>, SIZE_WORD>(readAt<DST, SIZE_WORD>(at), 1));
}

// MOVEP: bytes at An + d, + 2, ... most significant first.
template <uint32_t MN, uint32_t SIZE> inline void movepOp(uint32_t opcode) {
  const uint32_t address = areg(opcode & 7) + uint32_t(int16_t(fetchWord()));
  uint32_t& d = dreg(opcode >> 9 & 7);
  constexpr int BYTES = SIZE == SIZE_LONG ? 4 : 2;
  if constexpr (MN == MN_MVPMR) {
    uint32_t v = 0;
    for (int i = 0; i < BYTES; ++i)
      v = v << 8 | readByte(address + 2 * uint32_t(i));
    d = SIZE == SIZE_LONG ? v : (d & 0xFFFF0000) | v;
  } else {
    for (int i = 0; i < BYTES; ++i)
      writeByte(address + 2 * uint32_t(i), d >> (8 * (BYTES - 1 - i)));
  }
}

// MOVEM registers to memory; the predecrement form walks the mask in reverse register order.
template <uint32_t SIZE, uint32_t DST> inline void movemToMemoryOp(uint32_t opcode) {
  const uint32_t mask = fetchWord();
  const uint32_t r = opcode & 7;
  uint32_t address = controlAddress<DST>(r);
  constexpr uint32_t STEP = SIZE == SIZE_LONG ? 4 : 2;
  for (int half = 0; half < 2; ++half) {
    uint32_t bits = mask >> (8 * half) & 0xFF;
    while (bits) {
      if constexpr (DST == MODE_APDI) {
        const uint32_t n = uint32_t(bitScanTables.lowestSetBitReversed[bits]) + (half ? 0 : 8);
        address -= STEP;
        writeSized<SIZE>(address, cpuState.regs[n]);
      } else {
        const uint32_t n = uint32_t(bitScanTables.lowestSetBit[bits]) + (half ? 8 : 0);
        writeSized<SIZE>(address, cpuState.regs[n]);
        address += STEP;
      }
      bits = uint32_t(bitScanTables.clearLowestBit[bits]);
    }
  }
  if constexpr (DST == MODE_APDI)
    areg(r) = address;
}

// MOVEM memory to registers; words are sign-extended; (An)+ ends with the final address.
template <uint32_t SIZE, uint32_t SRC> inline void movemToRegistersOp(uint32_t opcode) {
  const uint32_t mask = fetchWord();
  const uint32_t r = opcode & 7;
  uint32_t address = controlAddress<SRC>(r);
  for (int half = 0; half < 2; ++half) {
    uint32_t bits = mask >> (8 * half) & 0xFF;
    while (bits) {
      const uint32_t n = uint32_t(bitScanTables.lowestSetBit[bits]) + (half ? 8 : 0);
      cpuState.regs[n] = uint32_t(signExtend<SIZE>(readSized<SIZE>(address)));
      address += SIZE == SIZE_LONG ? 4 : 2;
      bits = uint32_t(bitScanTables.clearLowestBit[bits]);
    }
  }
  if constexpr (SRC == MODE_AIPI)
    areg(r) = address;
}

// TAS: flags from the byte, then bit 7 set (an ordinary read and write).
template <uint32_t DST, uint32_t DP> inline void testAndSetOp(uint32_t opcode) {
  const uint32_t at = locate<DST, SIZE_BYTE>(field<DP>(opcode));
  const uint32_t v = readAt<DST, SIZE_BYTE>(at);
  setFlags(CCR_NZVC, nzFlags<SIZE_BYTE>(v));
  writeAt<DST, SIZE_BYTE>(at, v | 0x80);
}

// Scc: 0xFF when the condition holds, 0 otherwise; the destination is not read.
template <uint32_t CC, uint32_t DST, uint32_t DP> inline void setConditionOp(uint32_t opcode) {
  writeAt<DST, SIZE_BYTE>(locate<DST, SIZE_BYTE>(field<DP>(opcode)), condition<CC>() ? 0xFF : 0);
}

} // namespace cpu
