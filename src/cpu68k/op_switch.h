// The browser build's dispatch: an opcode's handler class through one switch, with the handlers'
// bodies inlined into the function that runs the slice. In WebAssembly an indirect call per
// instruction costs more, and so does a call to a function this large (its locals are cleared on
// every entry), so the switch is inlined into the loop itself.
#pragma once
#include <cstdint>

#include "cpu68k/cpu_tables.h"
#include "cpu68k/handler_classes.h"
#include "cpu68k/handler_ops.h"

// The class of every opcode: its handler's place in opClassHandlers; an opcode with no handler
// (illegal) gets the count of classes, which the switch's default takes.
extern uint16_t opClassTable[OPCODE_COUNT];
// One handler per class, in the switch's order, ended by a null handler.
extern const OpHandler opClassHandlers[];

#define OP_CLASS_CASE(k, ...)                                                                      \
  case k:                                                                                          \
    opHandler<__VA_ARGS__>(opcode);                                                                \
    return;

// Runs the handler of opClass on opcode, inlined where it is used.
[[gnu::always_inline]] inline void switchOpClass(uint32_t opClass, uint32_t opcode) {
  switch (opClass) {
    OP_CLASS_LIST(OP_CLASS_CASE)
  default:
    illegalInstruction(opcode);
  }
}

// The switch as a function of its own, for running one instruction at a time.
void runOpClass(uint32_t opClass, uint32_t opcode);
// Fills opClassTable from opHandlerTable; aborts when a handler of the table has no class.
void buildOpClassTable();
