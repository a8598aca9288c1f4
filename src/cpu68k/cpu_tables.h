// Dispatch table and the tables built with it at start-up.
#pragma once
#include <cstdint>

// An opcode handler: takes the opcode, leaves the PC at the next instruction.
using OpHandler = void (*)(uint32_t opcode);

inline constexpr int OPCODE_COUNT = 65536;

// Bit-scan tables used by MOVEM to walk register masks a byte at a time.
struct BitScanTables {
  int32_t lowestSetBit[256];         // number of the lowest set bit, 8 for 0
  int32_t lowestSetBitReversed[256]; // 7 minus that number, -1 for 0
  int32_t clearLowestBit[256];       // the value with its lowest set bit cleared
};

extern OpHandler opHandlerTable[OPCODE_COUNT];
extern BitScanTables bitScanTables;

// Builds the bit-scan tables, the decode table and opHandlerTable; aborts on an inconsistent table.
void buildCpuTables();
