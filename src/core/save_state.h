// Save states: the whole machine in one buffer, so that a run loaded from it goes on exactly as the
// run that saved it would have. In memory: "QMST", a format version, then the parts in a fixed
// order, each as id, size and bytes; little-endian. The file state.qms is that buffer followed by a
// CRC-32 of it, which only a file needs.
// Not in a state: keys.bin, the replay position, the pass count, wide mode, frame shots.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr uint32_t STATE_FORMAT_VERSION = 1;

enum StateLoadResult { STATE_LOADED, STATE_MISSING, STATE_TRUNCATED, STATE_CORRUPTED, STATE_OTHER_VERSION };

// Bytes of a state in memory (fixed for a build).
size_t stateSize();
// Writes the whole machine into buffer (stateSize bytes).
void saveState(uint8_t* buffer);
// Checks a state in memory (every part, no checksum) and, when it holds, makes it the running
// machine; on any other result the machine is untouched.
StateLoadResult loadState(const uint8_t* bytes, size_t size);
// The one-line text for a load result ("State loaded", "No state to load", ...).
const char* stateLoadText(StateLoadResult result);
// True when some part of a state belongs to the registry's record (a RecordId).
bool stateHoldsRecord(int record);

// Bytes of the words a state is made of: magic, version, each part's id and size; and a state's head
// (magic and version), a part's head (id and size), a file's CRC-32 after the state.
inline constexpr size_t STATE_WORD_BYTES = 4;
inline constexpr size_t STATE_HEADER_BYTES = 2 * STATE_WORD_BYTES;
inline constexpr size_t STATE_CHECKSUM_BYTES = STATE_WORD_BYTES;

// Writes the CRC-32 of the state at bytes (stateSize bytes) after it: the file form.
void sealState(uint8_t* bytes);
// Walks a state's magic, version and parts (their ids and sizes, the values the machine indexes
// with); the file form (withChecksum) ends with the CRC-32 of what comes before it.
StateLoadResult checkStateBytes(const uint8_t* bytes, size_t size, bool withChecksum);
// Checks a state file's bytes: magic, version, each part's id and size, the checksum, the values
// the machine indexes with, nothing left over.
StateLoadResult checkState(const std::vector<uint8_t>& bytes);
// Copies a state that checkState or loadState accepted into the running machine; every block of the
// marked parts counts as changed.
void applyState(const uint8_t* bytes);

// A part of a state as rewind walks it: its bytes in the running machine, where they lie in a state,
// and the marks of its blocks (CHANGE_BLOCK_BYTES each) that writers changed; null when no writer
// marks it (a small part, compared whole).
struct StatePartPlace {
  uint8_t* bytes;
  size_t offset;
  size_t size;
  uint8_t* changed;
};
// The index-th part of a state; false past the last.
bool statePartPlace(size_t index, StatePartPlace& place);
