// The opcode handler family and the compiled-in list that names one handler
// per class of opcodes.
#pragma once
#include <cstdint>

#include "cpu68k/cpu_tables.h"

// One handler: operation (mnemonic id), size, the modes of the first and the
// second operand of the row text, condition, and the opcode bits of the first
// and the second operand's register field. A one-operand row's operand, even a
// destination, is its FIRST.
template <uint32_t MN, uint32_t SIZE, uint32_t FIRST, uint32_t SECOND, uint32_t CC, uint32_t FIRST_POS,
          uint32_t SECOND_POS>
void opHandler(uint32_t opcode);

// When fillDispatchTable installs a row of the handler list.
enum HandlerKind : uint32_t {
  HANDLER_BEFORE_SHARING, // installed at its opcode, then copied to the opcode's whole class
  HANDLER_AFTER_SHARING,  // installed at its opcode alone, over the copies; the generator writes none
};

// A row of the handler list.
struct HandlerListEntry {
  OpHandler handler;
  HandlerKind kind;
  uint16_t opcode;
};

// Ordered by opcode, one row per handler class, ended by a null handler.
extern const HandlerListEntry handlerList[];
