#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "video/palette.h"

// Moves into a new directory under /tmp (defined with the composition benchmarks).
std::string enterBenchDirectory(benchmark::State& state);

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

// What start-up pays: the message, reading pal.bmp and the search.
static void BM_buildColourTable(benchmark::State& state) {
  const std::string dir = enterBenchDirectory(state);
  if (dir.empty())
    return;
  uint8_t file[1078] = {'B', 'M'};
  makeEntries(reinterpret_cast<uint8_t(*)[4]>(file + 54));
  FILE* f = fopen("pal.bmp", "wb");
  fwrite(file, 1, sizeof file, f);
  fclose(f);
  // The progress line goes to /dev/null while timing; the report comes back to the console.
  fflush(stdout);
  const int console = dup(1);
  const int nowhere = open("/dev/null", O_WRONLY);
  dup2(nowhere, 1);
  for (auto _ : state) {
    buildColourTable();
    benchmark::DoNotOptimize(colourTables.colourTable[12345]);
  }
  fflush(stdout);
  dup2(console, 1);
  close(console);
  close(nowhere);
  unlink("pal.bmp");
  rmdir(dir.c_str());
}
BENCHMARK(BM_buildColourTable)->Unit(benchmark::kMillisecond);
