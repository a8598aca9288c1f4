#include "core/rewind.h"

#include <cstring>
#include <utility>

#include "core/save_state.h"

RewindHistory rewindHistory;

namespace {
// A step is a list of runs: a header word (first word << 32 | word count), then the run's words as
// the XOR of the two states. XOR undoes itself: applied to the newer state it gives the older.
constexpr int RUN_SHIFT = 32;
constexpr uint64_t RUN_COUNT_MASK = 0xFFFFFFFF;
// Words compared at once to skip what did not change: most of the 2 MiB address space, most passes.
constexpr size_t BLOCK_WORDS = 32;

size_t stateWords() { return (stateSize() + sizeof(uint64_t) - 1) / sizeof(uint64_t); }

// The machine's state into words (the last one padded with zeros, set when the words are made).
void saveWords(std::vector<uint64_t>& words) {
  if (words.size() != stateWords())
    words.assign(stateWords(), 0);
  saveState(reinterpret_cast<uint8_t*>(words.data()));
}

std::vector<uint64_t> stepBetween(const std::vector<uint64_t>& older, const std::vector<uint64_t>& newer) {
  std::vector<uint64_t> step;
  const size_t count = newer.size();
  for (size_t i = 0; i < count;) {
    if (i % BLOCK_WORDS == 0 && count - i >= BLOCK_WORDS &&
        memcmp(&older[i], &newer[i], BLOCK_WORDS * sizeof(uint64_t)) == 0) {
      i += BLOCK_WORDS;
      continue;
    }
    if (older[i] == newer[i]) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < count && older[i] != newer[i])
      ++i;
    step.push_back(uint64_t(start) << RUN_SHIFT | (i - start));
    for (size_t k = start; k < i; ++k)
      step.push_back(older[k] ^ newer[k]);
  }
  step.shrink_to_fit(); // kept for long: only the room it uses
  return step;
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

size_t bytesOf(const std::vector<uint64_t>& step) { return step.capacity() * sizeof(uint64_t) + REWIND_STEP_OVERHEAD; }
} // namespace

void keepRewindState() {
  RewindHistory& h = rewindHistory;
  saveWords(h.scratch);
  if (h.latest.size() == h.scratch.size()) {
    std::vector<uint64_t> step = stepBetween(h.latest, h.scratch);
    if (step.empty())
      return; // nothing changed: the kept state is this one
    h.bytes += bytesOf(step);
    h.steps.push_back(std::move(step));
    while (h.bytes > h.limit && !h.steps.empty()) {
      h.bytes -= bytesOf(h.steps.front());
      h.steps.pop_front();
    }
  }
  std::swap(h.latest, h.scratch);
}

bool rewindOnePass() {
  RewindHistory& h = rewindHistory;
  if (h.steps.empty())
    return false;
  applyStep(h.steps.back(), h.latest);
  h.bytes -= bytesOf(h.steps.back());
  h.steps.pop_back();
  return loadState(reinterpret_cast<const uint8_t*>(h.latest.data()), stateSize()) == STATE_LOADED;
}

size_t rewindDepth() { return rewindHistory.steps.size(); }
