// The SDL2 backend's share of each pass: palette expansion (320x240 flip), the 2.5 x 2
// stretch (640x480), and the upload and scaled render of the picture. Runs on SDL's
// dummy video driver (software renderer) unless SDL_VIDEODRIVER names another.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/sdl2/sdl2_platform.h"

namespace {

intptr_t ignoreMessages(PlatformWindow, uint32_t, uintptr_t, intptr_t) { return 0; }

bool openDisplay(int width, int height) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  sdlReset();
  PaletteColour palette[256];
  for (int k = 0; k < 256; ++k)
    palette[k] = PaletteColour{uint8_t(k), uint8_t(k * 3), uint8_t(k * 7), 0};
  const PlatformWindow window = platformCreateWindow(ignoreMessages, "Vortane", "Gfx Output", 320, 240);
  if (!window || platformCreateDisplay() != PLATFORM_OK || platformSetDisplayMode(width, height, 8) != PLATFORM_OK ||
      platformCreatePalette(palette) != PLATFORM_OK)
    return false;
  for (int i = 0; i < width * height; ++i)
    sdlPlatform.backBuffer[i] = uint8_t(i * 13 + i / width);
  return true;
}

void BM_ExpandFlip320(benchmark::State& state) {
  if (!openDisplay(320, 240))
    return state.SkipWithError(SDL_GetError());
  for (auto _ : state) {
    expandBackBuffer();
    benchmark::DoNotOptimize(sdlPlatform.picture[320 * 240 - 1]);
  }
  state.SetItemsProcessed(state.iterations() * 320 * 240);
}
BENCHMARK(BM_ExpandFlip320);

void BM_Stretch640(benchmark::State& state) {
  if (!openDisplay(640, 480))
    return state.SkipWithError(SDL_GetError());
  const PlatformRect destination = {0, 0, 640, 480}, source = {32, 0, 288, 240};
  for (auto _ : state) {
    stretchBackBuffer(destination, source);
    benchmark::DoNotOptimize(sdlPlatform.picture[640 * 480 - 1]);
  }
  state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_Stretch640);

// Upload and render without the 60-a-second pacing of a pass's present.
void BM_PresentPicture(benchmark::State& state) {
  const int width = int(state.range(0)), height = width * 3 / 4;
  if (!openDisplay(width, height))
    return state.SkipWithError(SDL_GetError());
  for (auto _ : state)
    benchmark::DoNotOptimize(presentPicture(false));
  state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_PresentPicture)->Arg(320)->Arg(640)->Unit(benchmark::kMicrosecond);

} // namespace
