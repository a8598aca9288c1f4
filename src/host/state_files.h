// State files: the save slots' state.qms and stateN.qms, the state a run loads at start and the one
// it saves after a pass. A file is a state (core/save_state.h) followed by the CRC-32 of it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/save_state.h"

inline constexpr const char* STATE_FILE = "state.qms";
inline constexpr const char* SLOT_STATE_FORMAT = "state%d.qms"; // slots 1 to 9; slot 0 is STATE_FILE
inline constexpr int STATE_NAME_SIZE = 16;

struct StateRequests {
  std::vector<uint8_t> pendingLoad; // a checked state read before start-up, applied at its end
  uint32_t savePass;                // write a state after this pass is presented (0: none)
  std::string savePath;             // where that state goes
};

extern StateRequests stateRequests;

// The file of a save slot: state.qms for slot 0, stateN.qms for slot N.
void stateFileName(int slot, char* name, int size);

// Writes the whole machine state to path (temporary name, then renamed); false on failure (reported
// through reportWriteFailure with FILE_STATE).
bool saveMachineState(const char* path);
// Loads a state file; on any error the running state is untouched and the result says which.
StateLoadResult loadMachineState(const char* path);
// Reads path whole into bytes and checks every part of it; bytes are fit to apply only when the
// result is STATE_LOADED.
StateLoadResult readStateFile(const char* path, std::vector<uint8_t>& bytes);
// At start-up's end: applies stateRequests.pendingLoad, if any, and lets it go.
void applyPendingState();
// After a pass is presented: writes the state asked for this pass, if any.
void saveStateAfterPass(uint32_t pass);
// At the end of a run that ended before the pass whose state was asked for: says so and counts it as
// a file that failed.
void reportStateNotSaved();
