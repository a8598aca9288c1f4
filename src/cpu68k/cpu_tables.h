// Dispatch table and the tables built with it at start-up.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cpu68k/cpu_state.h"

// An opcode handler: takes the opcode, leaves the PC at the next instruction.
using OpHandler = void (*)(uint32_t opcode);

inline constexpr int OPCODE_COUNT = 65536;

// Bit-scan tables used by MOVEM to walk register masks a byte at a time.
struct BitScanTables {
  int32_t lowestSetBit[256];         // number of the lowest set bit, 8 for 0
  int32_t lowestSetBitReversed[256]; // 7 minus that number, -1 for 0
  int32_t clearLowestBit[256];       // the value with its lowest set bit cleared
};

struct InstrEntry;
struct HandlerListEntry;

// The decode table of the last build and what the build found.
struct DecodeState {
  InstrEntry* table;                             // 65536 entries, kept for the run
  int produced;                                  // opcodes the pattern rows produced
  int groups;                                    // handler classes found by the sharing pass
  void* (*allocate)(size_t count, size_t size); // allocator of the table (calloc)
};

extern OpHandler opHandlerTable[OPCODE_COUNT];
extern BitScanTables bitScanTables;
extern DecodeState decodeState;

// Runs the instruction at the PC: fetches its opcode and calls the opcode's handler.
inline void executeInstruction() {
  const uint32_t opcode = fetchWord();
  opHandlerTable[opcode](opcode);
}

// Builds the bit-scan tables, the decode table and opHandlerTable; aborts on an inconsistent table.
// False, with the reason in message, when the decode table cannot be allocated.
bool buildCpuTables(char* message, int messageSize);
// Fills a dispatch table from a decode table and a handler list; aborts when a class has no handler.
void fillDispatchTable(const InstrEntry* table, const HandlerListEntry* list, OpHandler* dispatch);
