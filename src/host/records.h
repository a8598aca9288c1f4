// The registry of the machine's global records: each with its reset to what a fresh process has,
// and whether a save state holds it (and if not, why not). Start-up, the embedding interface, the
// states and the tests all go through it, so a record added here is reset everywhere and a record
// meant for the state but missing from it is caught by the tests.
#pragma once

// Every record of the core, in registry order.
enum RecordId {
  RECORD_MEMORY,
  RECORD_CPU,
  RECORD_CCR,
  RECORD_FRAME_LOOP,
  RECORD_SOUND_QUEUE,
  RECORD_LAYERS,
  RECORD_SPRITES,
  RECORD_CONTROLS,
  RECORD_JOYSTICK,
  RECORD_DEBUGGER,
  RECORD_FILE_WRITES,
  RECORD_WARNINGS,
  RECORD_EXCEPTION_WATCH,
  RECORD_DISPLAY,
  RECORD_FRAME_STORE,
  RECORD_COLOURS,
  RECORD_SCREENSHOTS,
  RECORD_INPUT_LOG,
  RECORD_RUN_END,
  RECORD_STATE_REQUESTS,
  RECORD_ON_SCREEN,
  RECORD_REWIND,
  RECORD_KEY_MAP,
  RECORD_SYMBOLS,
  RECORD_GDB_STUB,
  RECORD_COUNT
};

struct MachineRecord {
  const char* name;     // the global's name in the code
  void (*reset)();      // back to a fresh process's value (an open file it holds is closed)
  const char* unsaved;  // null: parts of it are in every state; otherwise why a state leaves it out
};

// Indexed by RecordId. The CPU's dispatch and decode tables are built once and never change, so they
// are not records here.
extern const MachineRecord MACHINE_RECORDS[RECORD_COUNT];

// Resets every record in registry order.
void resetRecords();
