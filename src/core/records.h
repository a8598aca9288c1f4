// The registry of the machine's global records: each with its reset to what a fresh machine has,
// and whether a save state holds it (and if not, why not). Loading a ROM set, the states and the
// tests all go through it, so a record added to the list is reset everywhere and a record meant for
// the state but missing from it is caught by the tests. The records of a person's run (settings,
// files, the debugger, the window) are not the machine's: the programs keep their own list.
#pragma once

// Every record of the machine, in registry order: its id, its global, and null when a state holds
// parts of it, or why a state leaves it out.
#define MACHINE_RECORD_LIST(X)                                                                          \
  X(RECORD_MEMORY, machineMemory, nullptr)                                                               \
  X(RECORD_CPU, cpuState, nullptr)                                                                       \
  X(RECORD_CCR, ccrWord, nullptr)                                                                        \
  X(RECORD_FRAME_LOOP, frameLoopState, nullptr)                                                          \
  X(RECORD_SOUND_QUEUE, soundCommandQueue, nullptr)                                                      \
  X(RECORD_LAYERS, layerState, nullptr)                                                                  \
  X(RECORD_SPRITES, spriteState, nullptr)                                                                \
  X(RECORD_BOARD_INPUTS, boardInputs, nullptr)                                                           \
  X(RECORD_CORE_INPUTS, coreInputs, "inputs given between two frames, applied at the next frame end")    \
  X(RECORD_WARNINGS, warningBudget, "console output, renewed every frame")                              \
  X(RECORD_FRAME_STORE, frameStore, "composed afresh every pass")                                       \
  X(RECORD_COLOUR_FRAME_STORE, colourFrameStore, "composed afresh every pass")                          \
  X(RECORD_COLOURS, colourTables, "from pal.bmp, and the pen map every pass")                           \
  X(RECORD_REWIND, rewindHistory, "recent passes of this machine, kept apart from states")             \
  X(RECORD_MEMORY_CHANGES, memoryChanged, "rewind's marks of the memory blocks written since its last step") \
  X(RECORD_BITMAP_CHANGES, layerBitmapChanged, "rewind's marks of the bitmap blocks decoded since its last step")

enum RecordId {
#define RECORD_ID(id, record, unsaved) id,
  MACHINE_RECORD_LIST(RECORD_ID)
#undef RECORD_ID
  RECORD_COUNT
};

struct MachineRecord {
  const char* name;    // the global's name in the code
  void (*reset)();     // back to a fresh machine's value
  const char* unsaved; // null: parts of it are in every state; otherwise why a state leaves it out
};

// Indexed by RecordId. The CPU's dispatch and decode tables are built once and never change, so they
// are not records here.
extern const MachineRecord MACHINE_RECORDS[RECORD_COUNT];

// A record's reset to its type's fresh value.
template <auto& record> void resetRecordValue() { record = {}; }

// Resets every machine record in registry order.
void resetMachineRecords();
