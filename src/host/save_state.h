// Save states: the whole machine in one buffer, so that a run loaded from it goes on exactly as the
// run that saved it would have. In memory: "QMST", a format version, then the parts in a fixed
// order, each as id, size and bytes; little-endian. The file state.qms is that buffer followed by a
// CRC-32 of it, which only a file needs.
// Not in a state: keys.bin, the replay position, the pass count, wide mode, frame shots.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* STATE_FILE = "state.qms";
inline constexpr const char* SLOT_STATE_FORMAT = "state%d.qms"; // slots 1 to 9; slot 0 is STATE_FILE
inline constexpr int STATE_NAME_SIZE = 16;
inline constexpr uint32_t STATE_FORMAT_VERSION = 1;

enum StateLoadResult { STATE_LOADED, STATE_MISSING, STATE_TRUNCATED, STATE_CORRUPTED, STATE_OTHER_VERSION };

struct StateRequests {
  std::vector<uint8_t> pendingLoad; // a checked state read before start-up, applied at its end
  uint32_t savePass;                // write a state after this pass is presented (0: none)
  std::string savePath;             // where that state goes
};

extern StateRequests stateRequests;

// Bytes of a state in memory (fixed for a build).
size_t stateSize();
// Writes the whole machine into buffer (stateSize bytes).
void saveState(uint8_t* buffer);
// Checks a state in memory (every part, no checksum) and, when it holds, makes it the running
// machine; on any other result the machine is untouched.
StateLoadResult loadState(const uint8_t* bytes, size_t size);
// True when some part of a state belongs to the registry's record (a RecordId).
bool stateHoldsRecord(int record);

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
// Checks a state file's bytes: magic, version, each part's id and size, the checksum, the values
// the machine indexes with, nothing left over.
StateLoadResult checkState(const std::vector<uint8_t>& bytes);
// Copies a state that checkState or loadState accepted into the running machine.
void applyState(const uint8_t* bytes);
// The one-line text for a load result ("State loaded", "No state to load", ...).
const char* stateLoadText(StateLoadResult result);
// At start-up's end: applies stateRequests.pendingLoad, if any, and lets it go.
void applyPendingState();
// After a pass is presented: writes the state asked for this pass, if any.
void saveStateAfterPass(uint32_t pass);
// At the end of a run that ended before the pass whose state was asked for: says so and counts it as
// a file that failed.
void reportStateNotSaved();
