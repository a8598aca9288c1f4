// Save states: the whole machine in one file, so that a run loaded from it goes on exactly as the
// run that saved it would have. The file: "QMST", a format version, then the parts in a fixed
// order, each as id, size and bytes, then a CRC-32 of everything before it; little-endian.
// Not in a state: keys.bin, the replay position, the pass count, wide mode, frame shots.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* STATE_FILE = "state.qms";
inline constexpr uint32_t STATE_FORMAT_VERSION = 1;

enum StateLoadResult { STATE_LOADED, STATE_MISSING, STATE_TRUNCATED, STATE_CORRUPTED, STATE_OTHER_VERSION };

struct StateRequests {
  std::vector<uint8_t> pendingLoad; // a checked state read before start-up, applied at its end
  uint32_t savePass;                // write a state after this pass is presented (0: none)
  std::string savePath;             // where that state goes
};

extern StateRequests stateRequests;

// Writes the whole machine state to path (temporary name, then renamed); false on failure (reported
// through reportWriteFailure with FILE_STATE).
bool saveMachineState(const char* path);
// Loads a state file; on any error the running state is untouched and the result says which.
StateLoadResult loadMachineState(const char* path);
// Reads path whole into bytes and checks every part of it; bytes are fit to apply only when the
// result is STATE_LOADED.
StateLoadResult readStateFile(const char* path, std::vector<uint8_t>& bytes);
// Checks a state file's bytes: magic, version, each part's id and size, the checksum, the values
// the machine indexes with, nothing left over.
StateLoadResult checkState(const std::vector<uint8_t>& bytes);
// Copies a state that checkState accepted into the running machine.
void applyState(const std::vector<uint8_t>& bytes);
// The one-line text for a load result ("State loaded", "No state to load", ...).
const char* stateLoadText(StateLoadResult result);
// At start-up's end: applies stateRequests.pendingLoad, if any, and lets it go.
void applyPendingState();
// After a pass is presented: writes the state asked for this pass, if any.
void saveStateAfterPass(uint32_t pass);
