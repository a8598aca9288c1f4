// Rewind: a front end may keep the passes just played as the differences between consecutive
// states, so that holding R (or a pad's left shoulder) runs the game backwards a pass at a time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// Said when R finds no older pass kept.
inline constexpr char REWIND_EMPTY_TEXT[] = "Rewind: no older pass kept";
// Memory the kept differences may take; the oldest go first when a new one would pass it.
inline constexpr size_t REWIND_MEMORY_LIMIT = size_t(64) << 20;

struct RewindHistory {
  std::vector<uint64_t> latest;            // the state after the newest pass kept, in whole words
  std::vector<uint64_t> scratch;           // the state being compared with it
  std::deque<std::vector<uint64_t>> steps; // newest last: each takes a kept state back to the one before
  size_t bytes;                            // what the steps hold
};

extern RewindHistory rewindHistory;

// After a pass: keeps the step from the machine as it is now back to the state kept before.
void keepRewindState();
// Takes the machine back one kept pass; false (nothing changed) when no older pass is kept.
bool rewindOnePass();
// Kept passes the machine can go back.
size_t rewindDepth();
