// Operand access of the handler family: register fields, addressing modes,
// sized memory access, condition codes and conditions.
#pragma once
#include <cstdint>

#include "cpu68k/cpu_state.h"
#include "cpu68k/decode_table.h"

namespace cpu {

template <uint32_t SIZE> inline constexpr uint32_t SIZE_MASK = SIZE == SIZE_BYTE ? 0xFFu : SIZE == SIZE_WORD ? 0xFFFFu : 0xFFFFFFFFu;
template <uint32_t SIZE> inline constexpr uint32_t SIZE_MSB = SIZE == SIZE_BYTE ? 0x80u : SIZE == SIZE_WORD ? 0x8000u : 0x80000000u;
template <uint32_t SIZE> inline constexpr uint32_t SIZE_BITS = SIZE == SIZE_BYTE ? 8 : SIZE == SIZE_WORD ? 16 : 32;

// Byte steps of (An)+ and -(An): A7 keeps even.
inline constexpr int32_t addressStepByte[8] = {1, 1, 1, 1, 1, 1, 1, 2};
// ADDQ/SUBQ data and immediate shift counts; the field value 0 means 8.
inline constexpr int32_t quickValue[8] = {8, 1, 2, 3, 4, 5, 6, 7};

inline uint32_t& dreg(uint32_t n) { return cpuState.regs[n]; }
inline uint32_t& areg(uint32_t n) { return cpuState.regs[REG_A0 + n]; }

// The 3-bit register field at opcode bit POS (0 when the class has none).
template <uint32_t POS> inline uint32_t field(uint32_t opcode) {
  if constexpr (POS == NO_FIELD)
    return 0;
  else
    return opcode >> POS & 7;
}

template <uint32_t SIZE> inline int32_t signExtend(uint32_t v) {
  if constexpr (SIZE == SIZE_BYTE)
    return int8_t(v);
  else if constexpr (SIZE == SIZE_WORD)
    return int16_t(v);
  else
    return int32_t(v);
}

template <uint32_t SIZE> inline uint32_t readSized(uint32_t address) {
  if constexpr (SIZE == SIZE_BYTE)
    return readByte(address);
  else if constexpr (SIZE == SIZE_WORD)
    return readWord(address);
  else
    return readLong(address);
}

template <uint32_t SIZE> inline void writeSized(uint32_t address, uint32_t value) {
  if constexpr (SIZE == SIZE_BYTE)
    writeByte(address, value);
  else if constexpr (SIZE == SIZE_WORD)
    writeWord(address, value);
  else
    writeLong(address, value);
}

// Brief extension word: index register (whole or low word) plus 8-bit displacement; bits 10-8 ignored.
inline uint32_t briefOffset(uint32_t ext) {
  uint32_t index = cpuState.regs[ext >> 12 & 15];
  if (!(ext & 0x800))
    index = uint32_t(int16_t(index));
  return index + uint32_t(int8_t(ext));
}

template <uint32_t SIZE> inline uint32_t addressStep(uint32_t r) {
  if constexpr (SIZE == SIZE_BYTE)
    return uint32_t(addressStepByte[r]);
  else
    return SIZE == SIZE_WORD ? 2 : 4;
}

// Address of a memory operand, with the (An)+ / -(An) step and extension words.
template <uint32_t MODE, uint32_t SIZE> inline uint32_t eaAddress(uint32_t r) {
  if constexpr (MODE == MODE_AIND) {
    return areg(r);
  } else if constexpr (MODE == MODE_AIPI) {
    const uint32_t a = areg(r);
    areg(r) = a + addressStep<SIZE>(r);
    return a;
  } else if constexpr (MODE == MODE_APDI) {
    return areg(r) -= addressStep<SIZE>(r);
  } else if constexpr (MODE == MODE_AD16) {
    return areg(r) + uint32_t(int16_t(fetchWord()));
  } else if constexpr (MODE == MODE_AD8R) {
    return areg(r) + briefOffset(fetchWord());
  } else if constexpr (MODE == MODE_ABSW) {
    return uint32_t(int16_t(fetchWord()));
  } else if constexpr (MODE == MODE_ABSL) {
    return fetchLong();
  } else if constexpr (MODE == MODE_PC16) {
    const uint32_t base = getPc();
    return base + uint32_t(int16_t(fetchWord()));
  } else {
    static_assert(MODE == MODE_PC8R, "not a memory mode");
    const uint32_t base = getPc();
    return base + briefOffset(fetchWord());
  }
}

// Address of a control operand (no step; (An)+ and -(An) give An itself, for MOVEM).
template <uint32_t MODE> inline uint32_t controlAddress(uint32_t r) {
  if constexpr (MODE == MODE_AIPI || MODE == MODE_APDI)
    return areg(r);
  else
    return eaAddress<MODE, SIZE_LONG>(r);
}

// Locates an operand that is read and written: the register number or the address.
template <uint32_t MODE, uint32_t SIZE> inline uint32_t locate(uint32_t r) {
  if constexpr (MODE == MODE_DREG || MODE == MODE_AREG)
    return r;
  else
    return eaAddress<MODE, SIZE>(r);
}

// Reads a located operand.
template <uint32_t MODE, uint32_t SIZE> inline uint32_t readAt(uint32_t at) {
  if constexpr (MODE == MODE_DREG)
    return dreg(at) & SIZE_MASK<SIZE>;
  else if constexpr (MODE == MODE_AREG)
    return areg(at) & SIZE_MASK<SIZE>;
  else
    return readSized<SIZE>(at);
}

// Reads a source operand of the given size (An and Dn give their low bits).
template <uint32_t MODE, uint32_t SIZE> inline uint32_t readEa(uint32_t r) {
  if constexpr (MODE == MODE_IMMD)
    return SIZE == SIZE_LONG ? fetchLong() : fetchWord() & SIZE_MASK<SIZE>;
  else
    return readAt<MODE, SIZE>(locate<MODE, SIZE>(r));
}

// Writes a located operand; a Dn keeps the bits above the size.
template <uint32_t MODE, uint32_t SIZE> inline void writeAt(uint32_t at, uint32_t value) {
  if constexpr (MODE == MODE_DREG)
    dreg(at) = (dreg(at) & ~SIZE_MASK<SIZE>) | (value & SIZE_MASK<SIZE>);
  else if constexpr (MODE == MODE_AREG)
    areg(at) = value;
  else
    writeSized<SIZE>(at, value);
}

// Condition codes.
inline void setFlags(CcrWord mask, CcrWord value) { ccrWord = (ccrWord & ~mask) | value; }
inline CcrWord flagIf(bool condition, CcrWord flag) { return condition ? flag : 0; }

template <uint32_t SIZE> inline CcrWord nzFlags(uint32_t r) {
  return flagIf((r & SIZE_MASK<SIZE>) == 0, CCR_Z) | flagIf(r & SIZE_MSB<SIZE>, CCR_N);
}

// N, V, C and X of r = d + s (+ X); Z is left to the caller.
template <uint32_t SIZE> inline CcrWord addCarryFlags(uint32_t s, uint32_t d, uint32_t r) {
  const uint32_t carry = ((s & d) | (~r & (s | d))) & SIZE_MSB<SIZE>;
  const uint32_t overflow = (s ^ r) & (d ^ r) & SIZE_MSB<SIZE>;
  return flagIf(carry, CCR_C | CCR_X) | flagIf(overflow, CCR_V) | flagIf(r & SIZE_MSB<SIZE>, CCR_N);
}

// N, V, C and X of r = d - s (- X); Z is left to the caller.
template <uint32_t SIZE> inline CcrWord subBorrowFlags(uint32_t s, uint32_t d, uint32_t r) {
  const uint32_t borrow = ((s & ~d) | (r & ~d) | (s & r)) & SIZE_MSB<SIZE>;
  const uint32_t overflow = (s ^ d) & (r ^ d) & SIZE_MSB<SIZE>;
  return flagIf(borrow, CCR_C | CCR_X) | flagIf(overflow, CCR_V) | flagIf(r & SIZE_MSB<SIZE>, CCR_N);
}

// The sixteen branch conditions, from C, V, Z and N.
template <uint32_t CC> inline bool condition() {
  const CcrWord f = ccrWord;
  const bool c = f & CCR_C, v = f & CCR_V, z = f & CCR_Z, n = f & CCR_N;
  if constexpr (CC == 0) return true;
  else if constexpr (CC == 1) return false;
  else if constexpr (CC == 2) return !c && !z;
  else if constexpr (CC == 3) return c || z;
  else if constexpr (CC == 4) return !c;
  else if constexpr (CC == 5) return c;
  else if constexpr (CC == 6) return !z;
  else if constexpr (CC == 7) return z;
  else if constexpr (CC == 8) return !v;
  else if constexpr (CC == 9) return v;
  else if constexpr (CC == 10) return !n;
  else if constexpr (CC == 11) return n;
  else if constexpr (CC == 12) return n == v;
  else if constexpr (CC == 13) return n != v;
  else if constexpr (CC == 14) return !z && n == v;
  else return z || n != v;
}

inline void push32(uint32_t value) {
  uint32_t& sp = cpuState.regs[REG_A7];
  sp -= 4;
  writeLong(sp, value);
}

inline uint32_t pop32() {
  uint32_t& sp = cpuState.regs[REG_A7];
  const uint32_t value = readLong(sp);
  sp += 4;
  return value;
}

inline uint32_t pop16() {
  uint32_t& sp = cpuState.regs[REG_A7];
  const uint32_t value = readWord(sp);
  sp += 2;
  return value;
}

} // namespace cpu
