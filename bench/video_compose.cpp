#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/board.h"
#include "driver/memory.h"
#include "platform/headless/headless.h"
#include "support/system_helpers.h"
#include "video/compose.h"
#include "driver/program_loop.h"
#include "video/display.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/sprites.h"

namespace {
uint32_t seed = 1;
uint32_t nextRandom() {
  seed = seed * 1103515245u + 12345u;
  return seed >> 8;
}

void fillRandom(uint32_t from, uint32_t to) {
  for (uint32_t a = from; a < to; ++a)
    machineMemory[a] = uint8_t(nextRandom());
}

// Both layers full and scrolled, every fourth layer-0 line unscrolled, and
// when withSprites is set all 256 sprites of mixed sizes, a quarter zoomed.
void buildScene(bool withSprites) {
  if (!machineMemory)
    machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  memset(machineMemory, 0, MEMORY_SIZE);
  seed = 1;
  uint8_t entries[256][4];
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 4; ++c)
      entries[k][c] = uint8_t(nextRandom());
  fillColourTable(entries);
  fillRandom(PALETTE_RAM, PALETTE_RAM + 0x2000);
  fillRandom(CHARACTER_RAM, CHARACTER_RAM + 0x10000);
  fillRandom(LAYER0_MAP, LAYER0_MAP + 0x4000); // both maps and both attribute tables
  for (int line = 0; line < 256; ++line) {
    const uint32_t scroll = line % 4 ? nextRandom() % 512 : 0;
    machineMemory[LAYER0_SCROLL_X_LOW + 2 * line] = uint8_t(scroll);
    machineMemory[LAYER0_SCROLL_X_HIGH + 2 * line] = uint8_t(scroll >> 8);
  }
  machineMemory[LAYER0_SCROLL_Y] = 45;
  machineMemory[LAYER1_SCROLL_X_LOW] = 123;
  machineMemory[LAYER1_SCROLL_X_HIGH] = 1;
  machineMemory[LAYER1_SCROLL_Y] = 77;
  constexpr uint8_t SIZE_CODES[7] = {0x00, 0x08, 0x10, 0x18, 0x20, 0x30, 0x38};
  constexpr int CULL_LIMIT[7] = {288, 304, 288, 256, 304, 304, 304};
  for (int i = 0; i < SPRITE_COUNT; ++i) {
    uint8_t* e = machineMemory + spriteEntryAddress(i);
    memset(e, 0, SPRITE_ENTRY_SIZE);
    const int size = i % 7;
    const int x = int(nextRandom() % CULL_LIMIT[size]);
    e[1] = withSprites ? uint8_t(i) : uint8_t(i + 1);
    e[3] = uint8_t(SIZE_CODES[size] | (nextRandom() & 1));
    e[5] = i % 4 == 0 ? uint8_t(0x40 + nextRandom() % 0x80) : ZOOM_NORMAL;
    e[7] = uint8_t(nextRandom());
    e[9] = uint8_t(nextRandom() & 0xFE);
    e[10] = uint8_t(x >> 8);
    e[11] = uint8_t(x);
    e[13] = uint8_t(nextRandom() % 240);
  }
  layerState = LayerState{};
}

// Every layer-0 cell gets a new code word before each pass.
void changeAllCells() {
  for (int n = 0; n < LAYER_CELLS; ++n)
    machineMemory[LAYER0_MAP + 2 * n + 1] ^= 1;
}
} // namespace

// Host palette indices (the programs) or XRGB8888 (the libretro core).
template <typename Pixel>
static void BM_composeBusy(benchmark::State& state) {
  buildScene(true);
  for (auto _ : state) {
    changeAllCells();
    composeFrame<Pixel>();
  }
}
BENCHMARK_TEMPLATE(BM_composeBusy, uint8_t)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_composeBusy, uint32_t)->Unit(benchmark::kMicrosecond);

static void BM_composeStatic(benchmark::State& state) {
  buildScene(false);
  composeFrame();
  for (auto _ : state)
    composeFrame();
}
BENCHMARK(BM_composeStatic)->Unit(benchmark::kMicrosecond);

// A whole pass on the headless display: pump, input log, composition, copy, present.
static void BM_renderFrameBusy(benchmark::State& state) {
  buildScene(true);
  headlessReset();
  platformSetDisplayMode(320, 240, 8);
  // The pass writes keys.bin: in a scratch directory.
  if (!inDirectory(makeScratchDir("bench-render"), [&] {
        for (auto _ : state) {
          changeAllCells();
          renderFrame();
        }
      }))
    state.SkipWithError("no scratch directory");
  removeScratchDirs();
}
BENCHMARK(BM_renderFrameBusy)->Unit(benchmark::kMicrosecond);
