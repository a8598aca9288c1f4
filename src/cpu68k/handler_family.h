// The opcode handler family and the compiled-in list that names one handler
// per class of opcodes.
#pragma once
#include <cstdint>

#include "cpu68k/cpu_tables.h"

// One handler: operation (mnemonic id), size, source and destination modes,
// condition, and the opcode bits of the source and destination register fields.
template <uint32_t MN, uint32_t SIZE, uint32_t SRC, uint32_t DST, uint32_t CC, uint32_t SP, uint32_t DP>
void opHandler(uint32_t opcode);

// A row of the handler list: kind 0 rows are installed before the sharing
// copies, kind 1 rows after them.
struct HandlerListEntry {
  OpHandler handler;
  uint32_t kind;
  uint16_t opcode;
};

// Ordered by opcode, one row per handler class, ended by a null handler.
extern const HandlerListEntry handlerList[];
