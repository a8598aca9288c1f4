// The key that names one handler function: the template arguments of opHandler.
#pragma once
#include <cstdint>

#include "cpu68k/decode_table.h"

struct HandlerKey {
  uint32_t mnemonic;
  uint32_t size;
  uint32_t srcMode;
  uint32_t dstMode;
  uint32_t cc;
  uint32_t srcPos; // opcode bit of the source register field, NO_FIELD when none
  uint32_t dstPos; // the same for the destination
};

// The key of a decode entry, with the classes whose work is identical folded
// onto one function: ADDQ/SUBQ to An of either size, and three MOVEA forms that
// are LEA forms in disguise (An, #imm.L and #imm.W sources).
constexpr HandlerKey handlerKeyOf(const InstrEntry& e) {
  HandlerKey k{e.mnemonic, e.size, e.srcMode, e.dstMode, e.cc, e.srcPos, e.dstPos};
  if ((k.mnemonic == MN_ADDA || k.mnemonic == MN_SUBA) && k.srcMode == MODE_IMMI)
    k.size = SIZE_LONG;
  if (k.mnemonic == MN_MOVEA && k.dstMode == MODE_AREG) {
    if (k.size == SIZE_LONG && k.srcMode == MODE_AREG)
      k = {MN_LEA, SIZE_LONG, MODE_AIND, MODE_AREG, 0, k.srcPos, k.dstPos};
    else if (k.size == SIZE_LONG && k.srcMode == MODE_IMMD)
      k = {MN_LEA, SIZE_LONG, MODE_ABSL, MODE_AREG, 0, k.srcPos, k.dstPos};
    else if (k.size == SIZE_WORD && k.srcMode == MODE_IMMD)
      k = {MN_LEA, SIZE_LONG, MODE_ABSW, MODE_AREG, 0, k.srcPos, k.dstPos};
  }
  return k;
}
