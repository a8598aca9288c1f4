// The key that names one handler function: the template arguments of opHandler.
#pragma once
#include <cstdint>

#include "cpu68k/decode_table.h"

struct HandlerKey {
  uint32_t mnemonic;
  uint32_t size;
  uint32_t firstMode;  // mode of the first operand of the row text
  uint32_t secondMode; // mode of the second
  uint32_t cc;
  uint32_t firstPos;   // opcode bit of the first operand's register field, NO_FIELD when none
  uint32_t secondPos;  // the same for the second
};

// The key of a decode entry, with the classes whose work is identical folded
// onto one function: ADDQ/SUBQ to An of either size, and three MOVEA forms that
// are LEA forms in disguise (An, #imm.L and #imm.W sources).
constexpr HandlerKey handlerKeyOf(const InstrEntry& e) {
  HandlerKey k{e.mnemonic, e.size, e.srcMode, e.dstMode, e.cc, e.srcPos, e.dstPos};
  if ((k.mnemonic == MN_ADDA || k.mnemonic == MN_SUBA) && k.firstMode == MODE_IMMI)
    k.size = SIZE_LONG;
  if (k.mnemonic == MN_MOVEA && k.secondMode == MODE_AREG) {
    if (k.size == SIZE_LONG && k.firstMode == MODE_AREG)
      k = {MN_LEA, SIZE_LONG, MODE_AIND, MODE_AREG, 0, k.firstPos, k.secondPos};
    else if (k.size == SIZE_LONG && k.firstMode == MODE_IMMD)
      k = {MN_LEA, SIZE_LONG, MODE_ABSL, MODE_AREG, 0, k.firstPos, k.secondPos};
    else if (k.size == SIZE_WORD && k.firstMode == MODE_IMMD)
      k = {MN_LEA, SIZE_LONG, MODE_ABSW, MODE_AREG, 0, k.firstPos, k.secondPos};
  }
  return k;
}
