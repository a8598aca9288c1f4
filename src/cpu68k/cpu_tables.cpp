#include "cpu68k/cpu_tables.h"

#include <cstdio>
#include <cstdlib>

#include "cpu68k/decode_table.h"
#include "cpu68k/exceptions.h"
#include "cpu68k/handler_family.h"
#ifdef QUILLOMARK_SWITCH_DISPATCH
#include "cpu68k/op_switch.h"
#endif

OpHandler opHandlerTable[OPCODE_COUNT];
BitScanTables bitScanTables;
DecodeState decodeState = {nullptr, 0, 0, calloc};

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

void fillDispatchTable(const InstrEntry* table, const HandlerListEntry* list, OpHandler* dispatch) {
  for (int op = 0; op < OPCODE_COUNT; ++op)
    dispatch[op] = illegalInstruction;
  for (const HandlerListEntry* row = list; row->handler; ++row)
    if (row->kind == HANDLER_BEFORE_SHARING)
      dispatch[row->opcode] = row->handler;
  for (int op = 0; op < OPCODE_COUNT; ++op) {
    if (table[op].mnemonic == MN_ILLEGAL || table[op].representative == NO_REPRESENTATIVE)
      continue;
    const OpHandler shared = dispatch[table[op].representative];
    if (shared == illegalInstruction)
      abort();
    dispatch[op] = shared;
  }
  for (const HandlerListEntry* row = list; row->handler; ++row)
    if (row->kind == HANDLER_AFTER_SHARING)
      dispatch[row->opcode] = row->handler;
}

bool buildCpuTables(char* message, int messageSize) {
  buildBitScanTables();
  if (!decodeState.table) {
    decodeState.table = static_cast<InstrEntry*>(decodeState.allocate(OPCODE_COUNT, sizeof(InstrEntry)));
    if (!decodeState.table) {
      snprintf(message, size_t(messageSize), "Cannot allocate the CPU decode table.");
      return false;
    }
  }
  clearDecodeTable(decodeState.table);
  // A double match is reported and the later row stands; the build-time generator refuses it.
  decodeState.produced = expandPatternRows(patternRows, PATTERN_ROW_COUNT, mnemonicTable, decodeState.table).produced;
  decodeState.groups = shareHandlers(decodeState.table);
  fillDispatchTable(decodeState.table, handlerList, opHandlerTable);
#ifdef QUILLOMARK_SWITCH_DISPATCH
  buildOpClassTable();
#endif
  return true;
}
