#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/system_helpers.h"
#include "core/core.h"
#include "driver/rom_files.h"
#include "video/palette.h"

namespace {
// A palette with some structure and some repeats, as a game's would have.
void makeEntries(uint8_t entries[256][4]) {
  uint32_t seed = 12345;
  for (int k = 0; k < 256; ++k) {
    for (int c = 0; c < 3; ++c) {
      seed = seed * 1103515245u + 12345u;
      entries[k][c] = uint8_t(k < 128 ? (seed >> 16) : (k * (c + 1)) & 0xFF);
    }
    entries[k][3] = 0;
  }
}
} // namespace

// The 32768-colour search alone.
static void BM_colourTableSearch(benchmark::State& state) {
  uint8_t entries[256][4];
  makeEntries(entries);
  for (auto _ : state) {
    fillColourTable(entries);
    benchmark::DoNotOptimize(colourTables.colourTable[12345]);
  }
}
BENCHMARK(BM_colourTableSearch)->Unit(benchmark::kMillisecond);

// What start-up pays: reading pal.bmp and the search.
static void BM_buildColourTable(benchmark::State& state) {
  const std::string dir = makeScratchDir("bench-colour-table");
  std::vector<uint8_t> file(PALETTE_FILE_MINIMUM);
  file[0] = 'B';
  file[1] = 'M';
  makeEntries(reinterpret_cast<uint8_t(*)[4]>(file.data() + PALETTE_FILE_OFFSET));
  if (!writeFile(dir + "/" + PALETTE_FILE, file)) {
    state.SkipWithError("no scratch directory");
    return;
  }
  inDirectory(dir, [&] {
    char message[CORE_MESSAGE_SIZE];
    for (auto _ : state) {
      loadPaletteFile(message, sizeof message);
      benchmark::DoNotOptimize(colourTables.colourTable[12345]);
    }
  });
  removeScratchDirs();
}
BENCHMARK(BM_buildColourTable)->Unit(benchmark::kMillisecond);
