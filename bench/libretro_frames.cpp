// A demo frame through the libretro core's retro_run beside the same frame through the static
// core library the programs link, and the state round trip a front end pays for run-ahead.
// `libretro_bench --frames N` instead runs N frames of the ROM set in the working directory through
// retro_run and exits, for bench/paired_runs.sh against quillomark-headless --frames N.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdlib>
#include <cstring>

#include <string>
#include <vector>

#include "host/core.h"
#include "libretro.h"
#include "support/system_helpers.h"
#include "video/palette.h"

namespace {
std::string demoFile(const char* name) { return std::string(QUILLOMARK_DEMO_DIR) + "/" + name; }

bool environment(unsigned command, void*) { return command == RETRO_ENVIRONMENT_SET_PIXEL_FORMAT; }
void videoRefresh(const void* data, unsigned, unsigned, size_t) { benchmark::DoNotOptimize(data); }
size_t audioBatch(const int16_t*, size_t frames) { return frames; }
void inputPoll() {}
int16_t inputState(unsigned, unsigned, unsigned, unsigned) { return 0; }

struct Core {
  void (*run)();
  size_t (*serializeSize)();
  bool (*serialize)(void*, size_t);
  bool (*unserialize)(const void*, size_t);
};

// The shared core, opened once, with the set of folder loaded; run null when it cannot be had.
Core openCore(const std::string& folder = QUILLOMARK_DEMO_DIR) {
  static Core core = [&] {
    Core c{};
    void* library = dlopen(QUILLOMARK_LIBRETRO, RTLD_NOW | RTLD_LOCAL);
    if (!library)
      return c;
    auto symbol = [&](const char* name) { return dlsym(library, name); };
    reinterpret_cast<void (*)(retro_environment_t)>(symbol("retro_set_environment"))(environment);
    reinterpret_cast<void (*)(retro_video_refresh_t)>(symbol("retro_set_video_refresh"))(videoRefresh);
    reinterpret_cast<void (*)(retro_audio_sample_batch_t)>(symbol("retro_set_audio_sample_batch"))(audioBatch);
    reinterpret_cast<void (*)(retro_input_poll_t)>(symbol("retro_set_input_poll"))(inputPoll);
    reinterpret_cast<void (*)(retro_input_state_t)>(symbol("retro_set_input_state"))(inputState);
    reinterpret_cast<void (*)()>(symbol("retro_init"))();
    const std::string path = folder + "/" + PALETTE_FILE;
    const retro_game_info game = {path.c_str(), nullptr, 0, nullptr};
    if (!reinterpret_cast<bool (*)(const retro_game_info*)>(symbol("retro_load_game"))(&game))
      return c;
    c.run = reinterpret_cast<void (*)()>(symbol("retro_run"));
    c.serializeSize = reinterpret_cast<size_t (*)()>(symbol("retro_serialize_size"));
    c.serialize = reinterpret_cast<bool (*)(void*, size_t)>(symbol("retro_serialize"));
    c.unserialize = reinterpret_cast<bool (*)(const void*, size_t)>(symbol("retro_unserialize"));
    return c;
  }();
  return core;
}

// Loads the demo into the static library the programs link; false with the message in state.
bool loadStaticCore(benchmark::State& state) {
  std::vector<std::vector<uint8_t>> images;
  std::vector<CoreFile> files;
  for (const RomLoad& load : ROM_LOADS) {
    images.push_back(readFile(demoFile(load.fileName)));
    files.push_back(CoreFile{load.fileName, images.back().data(), images.back().size()});
  }
  const std::vector<uint8_t> palette = readFile(demoFile(PALETTE_FILE));
  char message[CORE_MESSAGE_SIZE];
  if (coreLoadRomSet(files.data(), int(files.size()), message, sizeof message) &&
      coreLoadPalette(palette.data(), palette.size(), message, sizeof message))
    return true;
  state.SkipWithError(message);
  return false;
}

double threadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Alternates slices of demo frames through retro_run and through the static library's
// coreRunFrame, so that the machine's load falls on both alike; the counters give each side's CPU
// time a frame and their ratio.
void BM_RetroRunAgainstStaticCore(benchmark::State& state) {
  constexpr int SLICE = 50;
  const Core core = openCore();
  if (!core.run)
    return state.SkipWithError("the libretro core did not load the demo");
  if (!loadStaticCore(state))
    return;
  double retro = 0, plain = 0;
  for (auto _ : state) {
    const double start = threadSeconds();
    for (int i = 0; i < SLICE; ++i)
      core.run();
    const double middle = threadSeconds();
    for (int i = 0; i < SLICE; ++i) {
      coreRunFrame();
      benchmark::DoNotOptimize(corePicture());
    }
    retro += middle - start;
    plain += threadSeconds() - middle;
  }
  coreEnd();
  const double frames = double(state.iterations()) * SLICE;
  state.counters["retro_us"] = retro / frames * 1e6;
  state.counters["static_us"] = plain / frames * 1e6;
  state.counters["ratio"] = retro / plain;
}
BENCHMARK(BM_RetroRunAgainstStaticCore)->Unit(benchmark::kMillisecond);

void BM_RetroSerializeRoundTrip(benchmark::State& state) {
  const Core core = openCore();
  if (!core.run)
    return state.SkipWithError("the libretro core did not load the demo");
  std::vector<uint8_t> buffer(core.serializeSize());
  for (auto _ : state)
    if (!core.serialize(buffer.data(), buffer.size()) || !core.unserialize(buffer.data(), buffer.size()))
      state.SkipWithError("the state did not come back");
}
BENCHMARK(BM_RetroSerializeRoundTrip)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--frames") == 0) {
    const Core core = openCore(".");
    if (!core.run)
      return 1;
    for (long n = atol(argv[2]); n > 0; --n)
      core.run();
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
