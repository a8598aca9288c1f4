// Time to write and to load a save state: a file (F2 and F3), file system included, and a state in
// memory (rewind, run-ahead, netplay).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "core/core.h"
#include "core/records.h"
#include "core/rewind.h"
#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/memory.h"
#include "driver/rom_files.h"
#include "host/state_files.h"
#include "support/system_helpers.h"

namespace {
void prepareMachine() {
  if (!machineMemory)
    machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  for (uint32_t a = 0; a < MEMORY_SIZE; ++a)
    machineMemory[a] = uint8_t(a * 13 >> 3);
}

void BM_SaveState(benchmark::State& state) {
  prepareMachine();
  inDirectory(makeScratchDir("bench-save-state"), [&] {
    for (auto _ : state)
      if (!saveMachineState(STATE_FILE))
        state.SkipWithError("the state could not be written");
  });
}
BENCHMARK(BM_SaveState)->Unit(benchmark::kMillisecond);

void BM_LoadState(benchmark::State& state) {
  prepareMachine();
  inDirectory(makeScratchDir("bench-load-state"), [&] {
    if (!saveMachineState(STATE_FILE)) {
      state.SkipWithError("the state could not be written");
      return;
    }
    for (auto _ : state)
      if (loadMachineState(STATE_FILE) != STATE_LOADED)
        state.SkipWithError("the state did not load");
  });
}
BENCHMARK(BM_LoadState)->Unit(benchmark::kMillisecond);
void BM_SaveAndLoadInMemory(benchmark::State& state) {
  prepareMachine();
  std::vector<uint8_t> buffer(stateSize());
  for (auto _ : state) {
    saveState(buffer.data());
    if (loadState(buffer.data(), buffer.size()) != STATE_LOADED)
      state.SkipWithError("the state did not load");
  }
}
BENCHMARK(BM_SaveAndLoadInMemory)->Unit(benchmark::kMicrosecond);
// What rewind costs a pass: the state taken and compared with the one before (a few bytes changed).
void BM_KeepRewindState(benchmark::State& state) {
  prepareMachine();
  rewindHistory = RewindHistory{};
  uint32_t pass = 0;
  for (auto _ : state) {
    const uint32_t address = 0x80000 + (pass++ & 0xFFF);
    writeByte(address, readByte(address) ^ 0x5A);
    keepRewindState();
  }
  state.counters["bytes/pass"] = double(rewindHistory.bytes) / double(rewindDepth() ? rewindDepth() : 1);
}
BENCHMARK(BM_KeepRewindState)->Unit(benchmark::kMicrosecond);

#ifdef QUILLOMARK_DEMO_DIR
// What rewind costs after a pass of the demo game, the pass itself not timed: the blocks that the
// game's writes and the layer decoding marked.
void BM_KeepRewindStateAfterDemoPass(benchmark::State& state) {
  char message[CORE_MESSAGE_SIZE] = "";
  bool loaded = false;
  resetMachineRecords();
  inDirectory(QUILLOMARK_DEMO_DIR, [&] {
    loaded = buildCpuTables(message, sizeof message) && loadRomSetFiles(message, sizeof message) &&
             loadPaletteFile(message, sizeof message);
  });
  if (!loaded) {
    state.SkipWithError(message);
    return;
  }
  resetCpu();
  for (auto _ : state) {
    state.PauseTiming();
    coreRunFrame();
    state.ResumeTiming();
    keepRewindState();
  }
  state.counters["bytes/pass"] = double(rewindHistory.bytes) / double(rewindDepth() ? rewindDepth() : 1);
}
BENCHMARK(BM_KeepRewindStateAfterDemoPass)->Unit(benchmark::kMicrosecond);
#endif
} // namespace
