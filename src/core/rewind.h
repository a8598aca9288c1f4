// Rewind: a front end may keep the passes just played as the differences between consecutive
// states, so that holding R (or a pad's left shoulder) runs the game backwards a pass at a time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// Said when R finds no older pass kept.
inline constexpr char REWIND_EMPTY_TEXT[] = "Rewind: no older pass kept";
// Memory the kept differences may take, as allocated (their words' room and each step's own
// bookkeeping); the oldest go first when a new one would pass it.
inline constexpr size_t REWIND_MEMORY_LIMIT = size_t(64) << 20;
// What a kept step costs beside its words: the vector itself and its share of the queue's blocks.
inline constexpr size_t REWIND_STEP_OVERHEAD = 2 * sizeof(std::vector<uint64_t>);

struct RewindHistory {
  std::vector<uint64_t> latest;            // the state after the newest pass kept, in whole words
  std::vector<uint64_t> scratch;           // the step being gathered (its room is kept from pass to pass)
  std::deque<std::vector<uint64_t>> steps; // newest last: each takes a kept state back to the one before
  size_t bytes;                            // what the steps take, as allocated
  size_t limit = REWIND_MEMORY_LIMIT;      // what they may take
};

extern RewindHistory rewindHistory;

// After a pass: keeps the step from the machine as it is now back to the state kept before; a pass
// that changed nothing costs no step. Only the blocks that writers marked changed are compared.
void keepRewindState();
// Takes the machine back one kept pass; false (nothing changed) when no older pass is kept.
bool rewindOnePass();
// Kept passes the machine can go back.
size_t rewindDepth();
