// The libretro core in a small front end of the tests' own: quillomark_libretro.so loaded with
// dlopen, its callbacks answered, the RetroPad driven from a script and every picture kept.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "driver/rom_loader.h"
#include "libretro.h"
#include "support/test_support.h"
#include "video/palette.h"

namespace {

constexpr unsigned WIDTH = 256, HEIGHT = 240;

// The core's entry points.
struct CoreApi {
  void (*init)();
  void (*deinit)();
  void (*setEnvironment)(retro_environment_t);
  void (*setVideoRefresh)(retro_video_refresh_t);
  void (*setAudioSampleBatch)(retro_audio_sample_batch_t);
  void (*setInputPoll)(retro_input_poll_t);
  void (*setInputState)(retro_input_state_t);
  void (*getSystemAvInfo)(retro_system_av_info*);
  bool (*loadGame)(const retro_game_info*);
  void (*unloadGame)();
  void (*run)();
  void (*reset)();
  size_t (*serializeSize)();
  bool (*serialize)(void*, size_t);
  bool (*unserialize)(const void*, size_t);
};

// What the callbacks saw.
struct FrontEnd {
  CoreApi core;
  std::vector<std::string> log;      // "LEVEL text"
  std::vector<std::string> messages; // on screen
  uint16_t pad;                      // buttons held, 1 << RETRO_DEVICE_ID_JOYPAD_*
  int pixelFormat;
  int descriptors;
  std::vector<uint32_t> picture;     // the last one, WIDTH x HEIGHT
  int pictures;
  size_t audioFrames;
  bool audioSilent;
};
FrontEnd frontEnd;

void logLine(retro_log_level level, const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  static const char* const LEVELS[] = {"DEBUG", "INFO", "WARN", "ERROR"};
  frontEnd.log.push_back(std::string(LEVELS[level & 3]) + " " + line);
}

bool environment(unsigned command, void* data) {
  switch (command) {
  case RETRO_ENVIRONMENT_GET_LOG_INTERFACE:
    static_cast<retro_log_callback*>(data)->log = logLine;
    return true;
  case RETRO_ENVIRONMENT_SET_MESSAGE:
    frontEnd.messages.push_back(static_cast<const retro_message*>(data)->msg);
    return true;
  case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
    frontEnd.pixelFormat = *static_cast<const retro_pixel_format*>(data);
    return true;
  case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
    frontEnd.descriptors = 0;
    for (auto* d = static_cast<const retro_input_descriptor*>(data); d->description; ++d)
      frontEnd.descriptors += d->port == 0 && d->device == RETRO_DEVICE_JOYPAD;
    return true;
  default:
    return false;
  }
}

void videoRefresh(const void* data, unsigned width, unsigned height, size_t pitch) {
  ++frontEnd.pictures;
  ASSERT_TRUE(data && width == WIDTH && height == HEIGHT);
  frontEnd.picture.resize(WIDTH * HEIGHT);
  for (unsigned y = 0; y < HEIGHT; ++y)
    memcpy(&frontEnd.picture[y * WIDTH], static_cast<const uint8_t*>(data) + y * pitch, WIDTH * 4);
}

size_t audioBatch(const int16_t* data, size_t frames) {
  frontEnd.audioFrames += frames;
  for (size_t i = 0; i < 2 * frames; ++i)
    frontEnd.audioSilent &= data[i] == 0;
  return frames;
}

void inputPoll() {}

int16_t inputState(unsigned port, unsigned device, unsigned index, unsigned id) {
  return port == 0 && device == RETRO_DEVICE_JOYPAD && index == 0 && id < 16 && ((frontEnd.pad >> id) & 1);
}

template <typename F> void bind(void* library, F& function, const char* name) {
  function = reinterpret_cast<F>(dlsym(library, name));
  ASSERT_NE(function, nullptr) << name;
}

// Opens the core once for the whole binary and hands it the callbacks.
void openCore() {
  static void* library = dlopen(QUILLOMARK_LIBRETRO, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  CoreApi& c = frontEnd.core;
  bind(library, c.init, "retro_init");
  bind(library, c.deinit, "retro_deinit");
  bind(library, c.setEnvironment, "retro_set_environment");
  bind(library, c.setVideoRefresh, "retro_set_video_refresh");
  bind(library, c.setAudioSampleBatch, "retro_set_audio_sample_batch");
  bind(library, c.setInputPoll, "retro_set_input_poll");
  bind(library, c.setInputState, "retro_set_input_state");
  bind(library, c.getSystemAvInfo, "retro_get_system_av_info");
  bind(library, c.loadGame, "retro_load_game");
  bind(library, c.unloadGame, "retro_unload_game");
  bind(library, c.run, "retro_run");
  bind(library, c.reset, "retro_reset");
  bind(library, c.serializeSize, "retro_serialize_size");
  bind(library, c.serialize, "retro_serialize");
  bind(library, c.unserialize, "retro_unserialize");
  // The core's private symbols stay inside it.
  EXPECT_EQ(dlsym(library, "coreRunFrame"), nullptr);
  EXPECT_EQ(dlsym(library, "_Z12coreRunFramev"), nullptr);
  c.setEnvironment(environment);
  c.setVideoRefresh(videoRefresh);
  c.setAudioSampleBatch(audioBatch);
  c.setInputPoll(inputPoll);
  c.setInputState(inputState);
}

// A fresh start of the core on path: init, load; the callbacks' record emptied first.
bool startCore(const std::string& path) {
  openCore();
  const CoreApi core = frontEnd.core;
  frontEnd = FrontEnd{};
  frontEnd.core = core;
  frontEnd.audioSilent = true;
  core.init();
  const retro_game_info game = {path.c_str(), nullptr, 0, nullptr};
  return core.loadGame(&game);
}

void stopCore() {
  frontEnd.core.unloadGame();
  frontEnd.core.deinit();
}

// A RetroPad change before a pass, and the keyboard key the headless program gets for it.
struct PadStep {
  uint32_t pass;
  unsigned button;
  const char* key;
  bool down;
};

// The pictures' digests as quillomark-headless --digests writes them: FNV-1a of the palette indices.
struct Digests {
  std::vector<int16_t> indexOf; // XRGB colour -> pal.bmp index
  std::string lines;
};

Digests digestsFor(const std::string& paletteFile) {
  Digests d{std::vector<int16_t>(1 << 24, -1), ""};
  const std::vector<uint8_t> bmp = readFile(paletteFile);
  for (int k = 255; k >= 0; --k) {
    const uint8_t* e = &bmp[PALETTE_FILE_OFFSET + 4 * k];
    d.indexOf[e[2] << 16 | e[1] << 8 | e[0]] = int16_t(k);
  }
  return d;
}

void addDigest(Digests& d, uint32_t pass) {
  uint64_t digest = 0xcbf29ce484222325ull;
  for (uint32_t pixel : frontEnd.picture) {
    const int16_t index = d.indexOf[pixel & 0xFFFFFF];
    ASSERT_GE(index, 0) << "pass " << pass << ": colour " << std::hex << pixel << " is not in pal.bmp";
    digest = (digest ^ uint8_t(index)) * 0x100000001b3ull;
  }
  char line[40];
  snprintf(line, sizeof line, "%u %016llx\n", pass, (unsigned long long)digest);
  d.lines += line;
}

// Runs passes first to last with the script's pad changes; the digests of each pass.
std::string runPasses(uint32_t first, uint32_t last, const std::vector<PadStep>& script) {
  Digests d = digestsFor(std::string(QUILLOMARK_DEMO_DIR) + "/" + PALETTE_FILE);
  for (uint32_t pass = first; pass <= last; ++pass) {
    for (const PadStep& step : script)
      if (step.pass == pass)
        frontEnd.pad = step.down ? frontEnd.pad | (1 << step.button) : frontEnd.pad & ~(1 << step.button);
    frontEnd.core.run();
    addDigest(d, pass);
  }
  return d.lines;
}

std::string demoFile(const char* name) { return std::string(QUILLOMARK_DEMO_DIR) + "/" + name; }

// Every button of the map, the way tests/demo's player and switch scripts press the keys.
const std::vector<PadStep> PAD_SCRIPT = {
    {5, RETRO_DEVICE_ID_JOYPAD_RIGHT, "RIGHT", true}, {5, RETRO_DEVICE_ID_JOYPAD_DOWN, "DOWN", true},
    {5, RETRO_DEVICE_ID_JOYPAD_A, "ALT", true},       {6, RETRO_DEVICE_ID_JOYPAD_RIGHT, "RIGHT", false},
    {6, RETRO_DEVICE_ID_JOYPAD_DOWN, "DOWN", false},  {6, RETRO_DEVICE_ID_JOYPAD_A, "ALT", false},
    {10, RETRO_DEVICE_ID_JOYPAD_LEFT, "LEFT", true},  {40, RETRO_DEVICE_ID_JOYPAD_LEFT, "LEFT", false},
    {20, RETRO_DEVICE_ID_JOYPAD_L, "1", true},        {30, RETRO_DEVICE_ID_JOYPAD_L, "1", false},
    {41, RETRO_DEVICE_ID_JOYPAD_L, "1", true},        {150, RETRO_DEVICE_ID_JOYPAD_L, "1", false},
    {45, RETRO_DEVICE_ID_JOYPAD_UP, "UP", true},      {75, RETRO_DEVICE_ID_JOYPAD_UP, "UP", false},
    {50, RETRO_DEVICE_ID_JOYPAD_B, "SPACE", true},    {52, RETRO_DEVICE_ID_JOYPAD_B, "SPACE", false},
    {70, RETRO_DEVICE_ID_JOYPAD_A, "ALT", true},      {72, RETRO_DEVICE_ID_JOYPAD_A, "ALT", false},
    {90, RETRO_DEVICE_ID_JOYPAD_SELECT, "3", true},   {151, RETRO_DEVICE_ID_JOYPAD_SELECT, "3", false},
    {120, RETRO_DEVICE_ID_JOYPAD_START, "4", true},   {126, RETRO_DEVICE_ID_JOYPAD_START, "4", false},
    {125, RETRO_DEVICE_ID_JOYPAD_X, "5", true},       {127, RETRO_DEVICE_ID_JOYPAD_X, "5", false},
    {130, RETRO_DEVICE_ID_JOYPAD_L2, "6", true},      {132, RETRO_DEVICE_ID_JOYPAD_L2, "6", false},
    {135, RETRO_DEVICE_ID_JOYPAD_R2, "7", true},      {137, RETRO_DEVICE_ID_JOYPAD_R2, "7", false},
    {140, RETRO_DEVICE_ID_JOYPAD_Y, "CTRL", true},    {170, RETRO_DEVICE_ID_JOYPAD_Y, "CTRL", false},
    {175, RETRO_DEVICE_ID_JOYPAD_R, "2", true},       {185, RETRO_DEVICE_ID_JOYPAD_R, "2", false},
    {190, RETRO_DEVICE_ID_JOYPAD_DOWN, "DOWN", true}, {260, RETRO_DEVICE_ID_JOYPAD_DOWN, "DOWN", false},
    {200, RETRO_DEVICE_ID_JOYPAD_X, "5", true},       {210, RETRO_DEVICE_ID_JOYPAD_L2, "6", true},
    {220, RETRO_DEVICE_ID_JOYPAD_R2, "7", true},      {230, RETRO_DEVICE_ID_JOYPAD_START, "4", true},
};
constexpr uint32_t PAD_PASSES = 300;

TEST(LibretroFrontEnd, ThePadPlaysAsTheKeyboardAndThePicturesAreTheHeadlessPrograms) {
  const std::string dir = makeScratchDir("libretro-pad");
  ASSERT_EQ(runIn(dir, "cp '" + demoFile("") + "'/*.bin '" + demoFile(PALETTE_FILE) + "' ."), 0);
  std::string keys;
  for (const PadStep& step : PAD_SCRIPT)
    keys += std::to_string(step.pass) + (step.down ? " down " : " up ") + step.key + "\n";
  writeFile(dir + "/k.txt", std::vector<uint8_t>(keys.begin(), keys.end()));
  ASSERT_EQ(runIn(dir, std::string("'") + QUILLOMARK_HEADLESS + "' --frames " + std::to_string(PAD_PASSES) +
                           " --keys k.txt --digests d.txt >out.txt 2>&1"),
            1);
  const std::vector<uint8_t> expected = readFile(dir + "/d.txt");

  ASSERT_TRUE(startCore(demoFile(ROM_LOADS[0].fileName)));
  EXPECT_EQ(frontEnd.pixelFormat, RETRO_PIXEL_FORMAT_XRGB8888);
  EXPECT_EQ(frontEnd.descriptors, 14);
  retro_system_av_info av;
  frontEnd.core.getSystemAvInfo(&av);
  EXPECT_EQ(av.geometry.base_width * 1000 + av.geometry.base_height, WIDTH * 1000 + HEIGHT);
  EXPECT_FLOAT_EQ(av.geometry.aspect_ratio, 4.0f / 3.0f);
  EXPECT_EQ(av.timing.fps, 60.0);
  EXPECT_EQ(av.timing.sample_rate / av.timing.fps, 800.0);
  EXPECT_EQ(runPasses(1, PAD_PASSES, PAD_SCRIPT), std::string(expected.begin(), expected.end()));
  EXPECT_EQ(frontEnd.audioFrames, 800 * PAD_PASSES);
  EXPECT_TRUE(frontEnd.audioSilent);
  stopCore();
}

TEST(LibretroFrontEnd, AStateReplaysTheSameFramesAndCarriesThePadsButtons) {
  ASSERT_TRUE(startCore(demoFile(ROM_LOADS[0].fileName)));
  // Start latches switch 4 on its press; it is held across the save, so only a state that
  // restores the pad's buttons keeps the replay from pressing it again.
  runPasses(1, 119, PAD_SCRIPT);
  const std::vector<PadStep> held = {{120, RETRO_DEVICE_ID_JOYPAD_START, "4", true}};
  runPasses(120, 121, held);
  const uint16_t padAtSave = frontEnd.pad;
  const size_t size = frontEnd.core.serializeSize();
  std::vector<uint8_t> state(size);
  ASSERT_TRUE(frontEnd.core.serialize(state.data(), size));
  EXPECT_EQ(std::vector<uint8_t>(state.end() - 4, state.end()),
            (std::vector<uint8_t>{uint8_t(padAtSave), uint8_t(padAtSave >> 8), 0, 0}));
  const std::string first = runPasses(122, 200, PAD_SCRIPT);
  ASSERT_TRUE(frontEnd.core.unserialize(state.data(), size));
  frontEnd.pad = padAtSave;
  EXPECT_EQ(runPasses(122, 200, PAD_SCRIPT), first);
  EXPECT_EQ(frontEnd.core.serializeSize(), size);

  // Refused, the machine untouched: short, a foreign button in the trailer, a damaged magic.
  std::vector<uint8_t> foreign = state, damaged = state;
  foreign[size - 2] = 0x80;
  damaged[0] ^= 1;
  std::vector<uint8_t> after(size);
  ASSERT_TRUE(frontEnd.core.serialize(after.data(), size));
  EXPECT_FALSE(frontEnd.core.unserialize(state.data(), size - 1));
  EXPECT_FALSE(frontEnd.core.unserialize(foreign.data(), size));
  EXPECT_FALSE(frontEnd.core.unserialize(damaged.data(), size));
  std::vector<uint8_t> still(size);
  ASSERT_TRUE(frontEnd.core.serialize(still.data(), size));
  EXPECT_TRUE(still == after);

  // The time a front end pays for a state each frame (run-ahead, rewind).
  constexpr int ROUND_TRIPS = 50;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < ROUND_TRIPS; ++i) {
    ASSERT_TRUE(frontEnd.core.serialize(state.data(), size) && frontEnd.core.unserialize(state.data(), size));
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  printf("serialize + unserialize of %zu bytes: %.3f ms\n", size, ms / ROUND_TRIPS);
  stopCore();
}

// Writes a .zip of the given entries (name, bytes) with libzip.
void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, bytes] : entries) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    ASSERT_GE(zip_file_add(archive, name.c_str(), source, 0), 0) << zip_strerror(archive);
  }
  ASSERT_EQ(zip_close(archive), 0);
}

// The demo's files as zip entries under a folder, with one replaced (null bytes: left out).
std::vector<std::pair<std::string, std::vector<uint8_t>>> demoEntries(const std::string& replaced,
                                                                      const std::vector<uint8_t>* bytes) {
  std::vector<std::string> names = {PALETTE_FILE};
  for (const RomLoad& load : ROM_LOADS)
    if (std::find(names.begin(), names.end(), load.fileName) == names.end())
      names.push_back(load.fileName);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> entries;
  for (const std::string& name : names)
    if (name != replaced)
      entries.push_back({"set/" + name, readFile(demoFile(name.c_str()))});
    else if (bytes)
      entries.push_back({"set/" + name, *bytes});
  return entries;
}

TEST(LibretroFrontEnd, LoadUnloadLoadAndAZipGiveTheSameRun) {
  const std::string dir = makeScratchDir("libretro-zip");
  writeZip(dir + "/demo.zip", demoEntries("", nullptr));
  ASSERT_TRUE(startCore(demoFile(PALETTE_FILE)));
  const std::string first = runPasses(1, 120, PAD_SCRIPT);
  frontEnd.core.unloadGame();
  const std::string other = demoFile(ROM_LOADS[7].fileName);
  const retro_game_info game = {other.c_str(), nullptr, 0, nullptr};
  frontEnd.pad = 0;
  ASSERT_TRUE(frontEnd.core.loadGame(&game));
  EXPECT_EQ(runPasses(1, 120, PAD_SCRIPT), first);
  stopCore();
  ASSERT_TRUE(startCore(dir + "/demo.zip"));
  EXPECT_EQ(runPasses(1, 120, PAD_SCRIPT), first);
  stopCore();
}

struct BadSet {
  const char* name;
  const char* file;  // the file of the set that is bad
  int kind;          // 0 missing, 1 short (100 bytes), 2 a folder, 3 a 17 MiB zip entry, 4 not a zip
  bool zip;
  const char* message;
};

void PrintTo(const BadSet& c, std::ostream* out) { *out << c.name; }

class LibretroBadSet : public testing::TestWithParam<BadSet> {};

TEST_P(LibretroBadSet, FailsTheLoadWithItsMessageAndWritesNothing) {
  const BadSet& c = GetParam();
  const std::string dir = makeScratchDir(std::string("libretro-bad-") + c.name);
  const std::vector<uint8_t> shortFile(100, 0x4E), hugeFile(17 << 20, 0);
  const std::vector<uint8_t>* bytes = c.kind == 1 ? &shortFile : c.kind == 3 ? &hugeFile : nullptr;
  std::string content = dir + "/set/" + PALETTE_FILE;
  if (c.zip) {
    content = dir + "/set.zip";
    if (c.kind == 4)
      writeFile(content, shortFile);
    else
      writeZip(content, demoEntries(c.file, bytes));
  } else {
    ASSERT_EQ(runIn(dir, "mkdir set"), 0);
    ASSERT_EQ(runIn(dir, "cp '" + demoFile("") + "'/*.bin '" + demoFile(PALETTE_FILE) + "' set"), 0);
    ASSERT_EQ(runIn(dir, std::string("rm set/") + c.file), 0);
    if (bytes)
      writeFile(dir + "/set/" + c.file, *bytes);
    ASSERT_EQ(runIn(dir, c.kind == 2 ? std::string("mkdir set/") + c.file : "true"), 0);
  }
  ASSERT_EQ(runIn(dir, "ls -la set* >before.txt"), 0);
  EXPECT_FALSE(startCore(content));
  ASSERT_EQ(frontEnd.messages.size(), 1u);
  EXPECT_NE(frontEnd.messages[0].find(c.message), std::string::npos) << frontEnd.messages[0];
  EXPECT_EQ(frontEnd.log.back(), "ERROR [Quillomark] " + frontEnd.messages[0] + "\n");
  ASSERT_EQ(runIn(dir, "ls -la set* >after.txt"), 0);
  EXPECT_EQ(readFile(dir + "/before.txt"), readFile(dir + "/after.txt"));
  frontEnd.core.deinit();
}

INSTANTIATE_TEST_SUITE_P(
    Sets, LibretroBadSet,
    testing::Values(BadSet{"missing", "17c_u.bin", 0, false, "Failed to open rom file 17c_u.bin"},
                    BadSet{"short", "18b_d02.bin", 1, false, "18b_d02.bin is not 64K long"},
                    BadSet{"no_palette", PALETTE_FILE, 0, false, "Cannot read the 256 colours of pal.bmp"},
                    BadSet{"short_palette", PALETTE_FILE, 1, false, "Cannot read the 256 colours of pal.bmp"},
                    BadSet{"folder", "17b_l.bin", 2, false, "set/17b_l.bin is not a regular file"},
                    BadSet{"zip_missing", "18c_d05.bin", 0, true, "Failed to open rom file 18c_d05.bin"},
                    BadSet{"zip_short", "17b_u.bin", 1, true, "17b_u.bin is not 64K long"},
                    BadSet{"zip_huge", PALETTE_FILE, 3, true, "claims 17825792 bytes"},
                    BadSet{"not_zip", "", 4, true, "as a zip archive: Not a zip archive"}),
    [](const testing::TestParamInfo<BadSet>& info) { return std::string(info.param.name); });

TEST(LibretroFrontEnd, AHangKeepsThePictureAndIsReportedOncePerHangWarningsGoToTheLog) {
  const std::string dir = makeScratchDir("libretro-hang");
  writeRomSet(dir, hangProgram());
  ASSERT_TRUE(startCore(dir + "/" + PALETTE_FILE));
  for (int i = 0; i < 3; ++i)
    frontEnd.core.run();
  frontEnd.core.reset();
  frontEnd.core.run();
  EXPECT_EQ(frontEnd.pictures, 4);
  const std::string hang = "No frame for 1048576 instructions: the program at PC 00000410 is not reaching its idle loop";
  EXPECT_EQ(frontEnd.messages, (std::vector<std::string>{hang, hang}));
  stopCore();

  writeRomSet(dir, warningStormProgram());
  ASSERT_TRUE(startCore(dir + "/" + PALETTE_FILE));
  frontEnd.core.run();
  frontEnd.core.run();
  int warnings = 0;
  for (const std::string& line : frontEnd.log)
    warnings += line.rfind("WARN [Quillomark] ", 0) == 0;
  // 150 a frame: 100 lines, then "50 more warnings in this frame".
  EXPECT_GE(warnings, 101);
  EXPECT_LE(warnings, 2 * 101);
  stopCore();
}

} // namespace
