// The records of a person's run, apart from the machine's: the options, settings and files of the
// run, the window and its messages, the debugger and gdb. A ROM set loaded again resets the machine's
// records (core/records.h) and keeps these.
#pragma once

// Every record of the run, in registry order: its global, and why a save state leaves it out.
#define RUN_RECORD_LIST(X)                                                                              \
  X(hostControls, "the player's controls of the run: pause, slots, fast forward, rewind on or off")     \
  X(joystickState, "the joystick picked at start")                                                       \
  X(keyMap, "the player's keys, from the desktop programs' settings")                                    \
  X(displayContext, "the window and the choice of window or full screen")                                \
  X(screenshotState, "the run's bitmap numbering")                                                       \
  X(inputLog, "keys.bin and the replay are the run's files")                                             \
  X(stateRequests, "the run's options")                                                                  \
  X(onScreen, "messages shown to the person at the keys")                                                \
  X(runEnd, "an end request of this run")                                                                \
  X(fileWriteState, "failures of this run's files")                                                      \
  X(programLoop, "the run's statistics and hang watch")                                                  \
  X(debugger, "the trace and breakpoints are the run's options")                                         \
  X(exceptionWatch, "set by the trace")                                                                  \
  X(loopWatch, "set by the debugger")                                                                    \
  X(symbolTable, "the run's option --symbols")                                                           \
  X(gdbStub, "gdb's connection, breakpoints and watchpoints belong to the session")

struct RunRecord {
  const char* name;    // the global's name in the code
  void (*reset)();     // back to a fresh process's value (an open file it holds is closed)
  const char* unsaved; // why a save state leaves it out
};

inline constexpr int RUN_RECORD_COUNT = 0
#define RUN_RECORD_ONE(record, unsaved) +1
    RUN_RECORD_LIST(RUN_RECORD_ONE)
#undef RUN_RECORD_ONE
    ;

extern const RunRecord RUN_RECORDS[RUN_RECORD_COUNT];

// Resets every record of the run in registry order.
void resetRunRecords();
// A fresh process's records: the machine's, then the run's.
void resetAllRecords();
