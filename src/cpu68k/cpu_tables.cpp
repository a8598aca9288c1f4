#include "cpu68k/cpu_tables.h"

#include <cstdio>

#include "cpu68k/exceptions.h"

OpHandler opHandlerTable[OPCODE_COUNT];
BitScanTables bitScanTables;

static void buildBitScanTables() {
  for (int v = 0; v < 256; ++v) {
    int lowest = 8;
    for (int b = 7; b >= 0; --b)
      if (v & (1 << b))
        lowest = b;
    bitScanTables.lowestSetBit[v] = lowest;
    bitScanTables.lowestSetBitReversed[v] = 7 - lowest;
    bitScanTables.clearLowestBit[v] = v & (v - 1);
  }
}

void buildCpuTables() {
  buildBitScanTables();
  printf("Building CPU table...\n");
  for (OpHandler& handler : opHandlerTable)
    handler = illegalInstruction;
}
