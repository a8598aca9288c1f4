#include "core/rewind.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/save_state.h"
#include "driver/memory.h"

RewindHistory rewindHistory;

namespace {
// A step is a list of runs: a header word (first word << 32 | word count), then the run's words as
// the XOR of the two states. XOR undoes itself: applied to the newer state it gives the older.
constexpr int RUN_SHIFT = 32;
constexpr uint64_t RUN_COUNT_MASK = 0xFFFFFFFF;
constexpr size_t WORD_BYTES = sizeof(uint64_t);
// The most words one comparison covers: a block, what a write spills past it, and a word at either
// end where a part does not start on a word.
constexpr size_t RANGE_WORDS = (CHANGE_BLOCK_BYTES + CHANGE_SPILL_BYTES) / WORD_BYTES + 2;

size_t stateWords() { return (stateSize() + WORD_BYTES - 1) / WORD_BYTES; }

uint8_t* bytesOf(std::vector<uint64_t>& words) { return reinterpret_cast<uint8_t*>(words.data()); }

// The running machine now matches the kept state: no block counts as changed.
void forgetChanges() {
  StatePartPlace part;
  for (size_t i = 0; statePartPlace(i, part); ++i)
    if (part.changed)
      memset(part.changed, 0, part.size >> CHANGE_BLOCK_SHIFT);
}

// Compares the state's bytes [offset, offset + size) (a block and its spill at most) with the running
// machine's at live: the words that differ go to step as runs, and latest takes the new bytes.
void compareRange(const uint8_t* live, size_t offset, size_t size, std::vector<uint64_t>& latest,
                  std::vector<uint64_t>& step) {
  uint8_t* kept = bytesOf(latest) + offset;
  if (memcmp(kept, live, size) == 0)
    return;
  const size_t first = offset / WORD_BYTES, end = (offset + size + WORD_BYTES - 1) / WORD_BYTES;
  uint64_t older[RANGE_WORDS];
  memcpy(older, &latest[first], (end - first) * WORD_BYTES);
  memcpy(kept, live, size);
  for (size_t k = first; k < end;) {
    if (older[k - first] == latest[k]) {
      ++k;
      continue;
    }
    const size_t start = k;
    while (k < end && older[k - first] != latest[k])
      ++k;
    step.push_back(uint64_t(start) << RUN_SHIFT | (k - start));
    for (size_t j = start; j < k; ++j)
      step.push_back(older[j - first] ^ latest[j]);
  }
}

// Compares a part with what latest keeps of it: the marked blocks (each with the bytes a write may
// spill into the next), or the whole of a part no writer marks; clears the marks it read.
void comparePart(const StatePartPlace& part, std::vector<uint64_t>& latest, std::vector<uint64_t>& step) {
  if (!part.changed) {
    for (size_t at = 0; at < part.size; at += CHANGE_BLOCK_BYTES)
      compareRange(part.bytes + at, part.offset + at, std::min<size_t>(CHANGE_BLOCK_BYTES, part.size - at), latest,
                   step);
    return;
  }
  uint8_t* const marks = part.changed;
  const size_t blocks = part.size >> CHANGE_BLOCK_SHIFT;
  // Marks are 0 or 1: memchr finds the next 1 a vector at a time.
  for (uint8_t* mark = marks; (mark = static_cast<uint8_t*>(memchr(mark, 1, blocks - size_t(mark - marks))));
       ++mark) {
    *mark = 0;
    const size_t at = size_t(mark - marks) << CHANGE_BLOCK_SHIFT;
    compareRange(part.bytes + at, part.offset + at,
                 std::min<size_t>(CHANGE_BLOCK_BYTES + CHANGE_SPILL_BYTES, part.size - at), latest, step);
  }
}

void applyStep(const std::vector<uint64_t>& step, std::vector<uint64_t>& state) {
  for (size_t at = 0; at < step.size();) {
    const size_t start = size_t(step[at] >> RUN_SHIFT), count = size_t(step[at] & RUN_COUNT_MASK);
    ++at;
    for (size_t k = 0; k < count; ++k)
      state[start + k] ^= step[at + k];
    at += count;
  }
}

size_t allocatedBytes(const std::vector<uint64_t>& step) {
  return step.capacity() * sizeof(uint64_t) + REWIND_STEP_OVERHEAD;
}
} // namespace

void keepRewindState() {
  RewindHistory& h = rewindHistory;
  if (h.latest.size() != stateWords()) {
    h.latest.assign(stateWords(), 0); // the last word's padding stays zero
    saveState(bytesOf(h.latest));
    forgetChanges();
    return;
  }
  h.scratch.clear();
  StatePartPlace part;
  for (size_t i = 0; statePartPlace(i, part); ++i)
    comparePart(part, h.latest, h.scratch);
  if (h.scratch.empty())
    return; // nothing changed: the kept state is this one
  std::vector<uint64_t> step(h.scratch.begin(), h.scratch.end()); // kept for long: only the room it uses
  h.bytes += allocatedBytes(step);
  h.steps.push_back(std::move(step));
  while (h.bytes > h.limit && !h.steps.empty()) {
    h.bytes -= allocatedBytes(h.steps.front());
    h.steps.pop_front();
  }
}

bool rewindOnePass() {
  RewindHistory& h = rewindHistory;
  if (h.steps.empty())
    return false;
  applyStep(h.steps.back(), h.latest);
  h.bytes -= allocatedBytes(h.steps.back());
  h.steps.pop_back();
  if (loadState(bytesOf(h.latest), stateSize()) != STATE_LOADED)
    return false;
  forgetChanges();
  return true;
}

size_t rewindDepth() { return rewindHistory.steps.size(); }
