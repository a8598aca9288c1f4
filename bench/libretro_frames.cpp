// A demo frame through the libretro core's retro_run, and the state round trip a front end pays
// for run-ahead and rewind. `libretro_bench --frames N` runs N frames of the ROM set in the working
// directory through retro_run and exits, for bench/paired_runs.sh against quillomark-headless
// --frames N: processes compared, not two cores in one process, whose 2 MiB machines would evict
// each other from the caches.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "libretro.h"
#include "video/palette.h"

namespace {
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

void BM_RetroRun(benchmark::State& state) {
  const Core core = openCore();
  if (!core.run)
    return state.SkipWithError("the libretro core did not load the demo");
  for (auto _ : state)
    core.run();
}
BENCHMARK(BM_RetroRun)->Unit(benchmark::kMicrosecond);

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
