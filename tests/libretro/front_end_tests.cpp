// The libretro core in a small front end of the tests' own: quillomark_libretro.so loaded with
// dlopen, its callbacks answered, the RetroPad driven from a script and every picture kept.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/rom_loader.h"
#include "core/core.h"
#include "host/run_end.h"
#include "libretro.h"
#include "support/test_support.h"
#include "video/palette.h"

namespace {

constexpr unsigned WIDTH = 256, HEIGHT = 240;

// What the callbacks saw.
struct FrontEnd {
  std::vector<std::string> log;      // "LEVEL text"
  std::vector<std::string> messages; // on screen
  uint16_t pad;                      // buttons held, 1 << RETRO_DEVICE_ID_JOYPAD_*
  int pixelFormat, descriptors, pictures, ports; // ports: those SET_CONTROLLER_INFO describes
  std::vector<uint32_t> picture;     // the last one, WIDTH x HEIGHT
  size_t audioFrames;
  bool audioSilent;
};
FrontEnd frontEnd;

// The core's entry point of that name, opened once for the whole binary.
template <typename F> F entry(const char* name) {
  static void* library = dlopen(QUILLOMARK_LIBRETRO, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(library, nullptr) << dlerror();
  return reinterpret_cast<F>(dlsym(library, name));
}
void call(const char* name) { entry<void (*)()>(name)(); }

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
  case RETRO_ENVIRONMENT_SET_CONTROLLER_INFO:
    for (auto* port = static_cast<const retro_controller_info*>(data); port->types; ++port)
      ++frontEnd.ports;
    return true;
  case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
    frontEnd.pixelFormat = *static_cast<const retro_pixel_format*>(data);
    return true;
  case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
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
  frontEnd.audioSilent &= std::all_of(data, data + 2 * frames, [](int16_t s) { return s == 0; });
  return frames;
}

void inputPoll() {}

int16_t inputState(unsigned port, unsigned device, unsigned index, unsigned id) {
  return port == 0 && device == RETRO_DEVICE_JOYPAD && index == 0 && id < 16 && ((frontEnd.pad >> id) & 1);
}

// A fresh start of the core on path (the callbacks' record emptied): init, then load.
bool startCore(const std::string& path) {
  frontEnd = FrontEnd{};
  frontEnd.audioSilent = true;
  entry<void (*)(retro_environment_t)>("retro_set_environment")(environment);
  entry<void (*)(retro_video_refresh_t)>("retro_set_video_refresh")(videoRefresh);
  entry<void (*)(retro_audio_sample_batch_t)>("retro_set_audio_sample_batch")(audioBatch);
  entry<void (*)(retro_input_poll_t)>("retro_set_input_poll")(inputPoll);
  entry<void (*)(retro_input_state_t)>("retro_set_input_state")(inputState);
  call("retro_init");
  const retro_game_info game = {path.c_str(), nullptr, 0, nullptr};
  return entry<bool (*)(const retro_game_info*)>("retro_load_game")(&game);
}

void stopCore() {
  call("retro_unload_game");
  call("retro_deinit");
}

std::vector<uint8_t> serialize() {
  std::vector<uint8_t> state(entry<size_t (*)()>("retro_serialize_size")());
  EXPECT_TRUE(entry<bool (*)(void*, size_t)>("retro_serialize")(state.data(), state.size()));
  return state;
}
bool unserialize(const std::vector<uint8_t>& state, size_t size) {
  return entry<bool (*)(const void*, size_t)>("retro_unserialize")(state.data(), size);
}

std::string demoFile(const std::string& name) { return std::string(QUILLOMARK_DEMO_DIR) + "/" + name; }

// A RetroPad change before a pass, and the keyboard key the headless program gets for it.
struct PadStep {
  uint32_t pass;
  unsigned button;
  const char* key;
  bool down;
};

// Runs passes first to last with the script's pad changes; each picture's digest as
// quillomark-headless --digests writes it (FNV-1a of the pal.bmp indices).
std::string runPasses(uint32_t first, uint32_t last, const std::vector<PadStep>& script) {
  static std::vector<int16_t> indexOf; // XRGB colour -> the demo's pal.bmp index
  if (indexOf.empty()) {
    indexOf.assign(1 << 24, -1);
    const std::vector<uint8_t> bmp = readFile(demoFile(PALETTE_FILE));
    for (int k = 255; k >= 0; --k)
      indexOf[bmp[PALETTE_FILE_OFFSET + 4 * k + 2] << 16 | bmp[PALETTE_FILE_OFFSET + 4 * k + 1] << 8 |
              bmp[PALETTE_FILE_OFFSET + 4 * k]] = int16_t(k);
  }
  std::string lines;
  for (uint32_t pass = first; pass <= last; ++pass) {
    for (const PadStep& step : script)
      if (step.pass == pass)
        frontEnd.pad = step.down ? frontEnd.pad | (1 << step.button) : frontEnd.pad & ~(1 << step.button);
    call("retro_run");
    uint64_t digest = 0xcbf29ce484222325ull;
    for (uint32_t pixel : frontEnd.picture)
      digest = (digest ^ uint8_t(indexOf[pixel & 0xFFFFFF])) * 0x100000001b3ull;
    const bool known = std::all_of(frontEnd.picture.begin(), frontEnd.picture.end(),
                                   [](uint32_t pixel) { return indexOf[pixel & 0xFFFFFF] >= 0; });
    lines += std::to_string(pass) + " " + (known ? "" : "unknown colours ");
    char hex[17];
    snprintf(hex, sizeof hex, "%016llx", (unsigned long long)digest);
    lines += std::string(hex) + "\n";
  }
  return lines;
}

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

TEST(LibretroFrontEnd, ThePadPlaysAsTheKeyboardAndThePicturesAreTheHeadlessPrograms) {
  constexpr uint32_t PASSES = 300;
  const std::string dir = makeScratchDir("libretro-pad");
  ASSERT_EQ(runIn(dir, "cp '" + demoFile("") + "'/*.bin '" + demoFile(PALETTE_FILE) + "' ."), 0);
  std::string keys;
  for (const PadStep& step : PAD_SCRIPT)
    keys += std::to_string(step.pass) + (step.down ? " down " : " up ") + step.key + "\n";
  writeFile(dir + "/k.txt", std::vector<uint8_t>(keys.begin(), keys.end()));
  ASSERT_EQ(runIn(dir, std::string("'") + QUILLOMARK_HEADLESS + "' --frames " + std::to_string(PASSES) +
                           " --keys k.txt --digests d.txt >out.txt 2>&1"),
            1);
  const std::vector<uint8_t> expected = readFile(dir + "/d.txt");

  ASSERT_TRUE(startCore(demoFile(ROM_LOADS[0].fileName)));
  EXPECT_EQ(frontEnd.pixelFormat, RETRO_PIXEL_FORMAT_XRGB8888);
  EXPECT_EQ(frontEnd.descriptors, 14);
  EXPECT_EQ(frontEnd.ports, 1);
  retro_system_av_info av;
  entry<void (*)(retro_system_av_info*)>("retro_get_system_av_info")(&av);
  EXPECT_EQ(av.geometry.base_width * 1000 + av.geometry.base_height, WIDTH * 1000 + HEIGHT);
  EXPECT_FLOAT_EQ(av.geometry.aspect_ratio, 4.0f / 3.0f);
  EXPECT_EQ(av.timing.fps * 1000 + av.timing.sample_rate, 60.0 * 1000 + 48000);
  EXPECT_EQ(runPasses(1, PASSES, PAD_SCRIPT), std::string(expected.begin(), expected.end()));
  EXPECT_EQ(frontEnd.audioFrames, 800 * PASSES);
  EXPECT_TRUE(frontEnd.audioSilent);
  // The core's own symbols stay inside it.
  EXPECT_EQ(entry<void*>("_Z12coreRunFramev"), nullptr);
  stopCore();
}

TEST(LibretroFrontEnd, AStateReplaysTheSameFramesAndCarriesThePadsButtons) {
  ASSERT_TRUE(startCore(demoFile(ROM_LOADS[0].fileName)));
  // Start latches switch 4 on its press and is held across the save: only a state that restores
  // the pad's buttons keeps the replay from pressing it again.
  runPasses(1, 121, PAD_SCRIPT);
  const uint16_t padAtSave = frontEnd.pad;
  ASSERT_TRUE(padAtSave & (1 << RETRO_DEVICE_ID_JOYPAD_START));
  const std::vector<uint8_t> state = serialize();
  const size_t size = state.size();
  // The size the README gives players is the one the core reports.
  const std::string digits = std::to_string(size);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0)
      grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  const std::vector<uint8_t> readme = readFile(QUILLOMARK_README);
  const std::string text(readme.begin(), readme.end()), phrase = "States (" + grouped + " bytes";
  EXPECT_NE(text.find(phrase), std::string::npos) << phrase;
  EXPECT_EQ(std::vector<uint8_t>(state.end() - 4, state.end()),
            (std::vector<uint8_t>{uint8_t(padAtSave), uint8_t(padAtSave >> 8), 0, 0}));
  const std::string first = runPasses(122, 200, PAD_SCRIPT);
  ASSERT_TRUE(unserialize(state, size));
  frontEnd.pad = padAtSave;
  EXPECT_EQ(runPasses(122, 200, PAD_SCRIPT), first);

  // Refused, the machine untouched: short, a foreign button in the trailer, a damaged magic.
  std::vector<uint8_t> foreign = state, damaged = state;
  foreign[size - 2] = 0x80;
  damaged[0] ^= 1;
  const std::vector<uint8_t> before = serialize();
  EXPECT_FALSE(unserialize(state, size - 1));
  EXPECT_FALSE(unserialize(foreign, size));
  EXPECT_FALSE(unserialize(damaged, size));
  EXPECT_TRUE(serialize() == before);
  stopCore();
}

// pal.bmp, then the distinct files of ROM_LOADS in load order.
std::vector<std::string> setFileNames() {
  std::vector<std::string> names = {PALETTE_FILE};
  for (const RomLoad& load : ROM_LOADS)
    if (std::find(names.begin(), names.end(), load.fileName) == names.end())
      names.push_back(load.fileName);
  return names;
}

// Writes a .zip of the demo's files under a folder, with one entry replaced (null: left out) and one
// stored uncompressed.
void writeDemoZip(const std::string& path, const std::string& replaced, const std::vector<uint8_t>* bytes,
                  const std::string& stored = "") {
  const std::vector<std::string> names = setFileNames();
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  std::vector<std::vector<uint8_t>> contents;
  contents.reserve(names.size());
  for (const std::string& name : names) {
    if (name == replaced && !bytes)
      continue;
    contents.push_back(name == replaced ? *bytes : readFile(demoFile(name)));
    zip_source_t* source = zip_source_buffer(archive, contents.back().data(), contents.back().size(), 0);
    const zip_int64_t index = zip_file_add(archive, ("set/" + name).c_str(), source, 0);
    ASSERT_GE(index, 0) << zip_strerror(archive);
    if (name == stored) {
      ASSERT_EQ(zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0), 0);
    }
  }
  ASSERT_EQ(zip_close(archive), 0);
}

TEST(LibretroFrontEnd, LoadUnloadLoadAndAZipGiveTheSameRunAndWriteNothing) {
  const std::string dir = makeScratchDir("libretro-zip");
  ASSERT_EQ(runIn(dir, "cp '" + demoFile("") + "'/*.bin '" + demoFile(PALETTE_FILE) + "' ."), 0);
  writeDemoZip(dir + "/demo.zip", "", nullptr);
  ASSERT_EQ(runIn(dir, "ls -l >../libretro-zip-before.txt"), 0);
  ASSERT_TRUE(startCore(dir + "/" + PALETTE_FILE));
  const std::string first = runPasses(1, 120, PAD_SCRIPT);
  call("retro_unload_game");
  const std::string other = dir + "/" + ROM_LOADS[7].fileName;
  const retro_game_info game = {other.c_str(), nullptr, 0, nullptr};
  frontEnd.pad = 0;
  ASSERT_TRUE(entry<bool (*)(const retro_game_info*)>("retro_load_game")(&game));
  EXPECT_EQ(runPasses(1, 120, PAD_SCRIPT), first);
  stopCore();
  ASSERT_TRUE(startCore(dir + "/demo.zip"));
  EXPECT_EQ(runPasses(1, 120, PAD_SCRIPT), first);
  stopCore();
  ASSERT_EQ(runIn(dir, "ls -l | diff ../libretro-zip-before.txt - >&2"), 0) << "the core wrote into the set's folder";
}

struct BadSet {
  const char* name;
  const char* file;  // the file of the set that is bad
  int kind;          // 0 missing, 1 short (100 bytes), 2 a folder, 3 a 17 MiB zip entry, 4 not a zip,
                     // 5 a zip entry whose data no longer matches its CRC-32
  bool zip;
  const char* message;
};
void PrintTo(const BadSet& c, std::ostream* out) { *out << c.name; }

class LibretroBadSet : public testing::TestWithParam<BadSet> {};

TEST_P(LibretroBadSet, FailsTheLoadWithItsMessageInTheLogAndOnScreen) {
  const BadSet& c = GetParam();
  const std::string dir = makeScratchDir(std::string("libretro-bad-") + c.name);
  const std::vector<uint8_t> shortFile(100, 0x4E), hugeFile(17 << 20, 0);
  const std::vector<uint8_t>* bytes = c.kind == 1 ? &shortFile : c.kind == 3 ? &hugeFile : nullptr;
  std::string content = dir + "/" + PALETTE_FILE;
  if (c.zip) {
    content = dir + "/set.zip";
    if (c.kind == 4)
      writeFile(content, shortFile);
    else
      writeDemoZip(content, c.kind == 5 ? "" : c.file, bytes, c.file);
    if (c.kind == 5) { // one bit of the stored entry flipped, past the middle
      std::vector<uint8_t> zip = readFile(content), entry = readFile(demoFile(c.file));
      const auto at = std::search(zip.begin(), zip.end(), entry.begin(), entry.end());
      ASSERT_NE(at, zip.end());
      at[ptrdiff_t(entry.size() * 3 / 4)] ^= 1;
      writeFile(content, zip);
    }
  } else {
    ASSERT_EQ(runIn(dir, "cp '" + demoFile("") + "'/*.bin '" + demoFile(PALETTE_FILE) + "' ."), 0);
    ASSERT_EQ(runIn(dir, std::string("rm ") + c.file), 0);
    if (bytes)
      writeFile(dir + "/" + c.file, *bytes);
    ASSERT_EQ(runIn(dir, c.kind == 2 ? std::string("mkdir ") + c.file : "true"), 0);
  }
  EXPECT_FALSE(startCore(content));
  ASSERT_EQ(frontEnd.messages.size(), 1u);
  EXPECT_NE(frontEnd.messages[0].find(c.message), std::string::npos) << frontEnd.messages[0];
  EXPECT_EQ(frontEnd.log.back(), "ERROR [Quillomark] " + frontEnd.messages[0] + "\n");
  call("retro_deinit");
}

INSTANTIATE_TEST_SUITE_P(
    Sets, LibretroBadSet,
    testing::Values(BadSet{"missing", "17c_u.bin", 0, false, "Failed to open rom file 17c_u.bin"},
                    BadSet{"short", "18b_d02.bin", 1, false, "18b_d02.bin is not 64K long"},
                    BadSet{"no_palette", PALETTE_FILE, 0, false, "Cannot read the 256 colours of pal.bmp"},
                    BadSet{"short_palette", PALETTE_FILE, 1, false, "Cannot read the 256 colours of pal.bmp"},
                    BadSet{"folder", "17b_l.bin", 2, false, "Failed to open rom file 17b_l.bin"},
                    BadSet{"zip_missing", "18c_d05.bin", 0, true, "Failed to open rom file 18c_d05.bin"},
                    BadSet{"zip_short", "17b_u.bin", 1, true, "17b_u.bin is not 64K long"},
                    BadSet{"zip_huge", PALETTE_FILE, 3, true, "claims 17825792 bytes"},
                    BadSet{"not_zip", "", 4, true, "as a zip archive: Not a zip archive"},
                    BadSet{"zip_crc", "17c_l.bin", 5, true, "Cannot read 17c_l.bin in"},
                    BadSet{"zip_crc_palette", PALETTE_FILE, 5, true, "set.zip: CRC error"}),
    [](const testing::TestParamInfo<BadSet>& info) { return std::string(info.param.name); });

// Each file of the set as a FIFO, a device and a folder: refused at once with the message of a missing
// file, by the programs (the desktop one stops before it opens a window) and by the core, never waited
// on. A short file ahead of a FIFO is the one all name.
TEST(LibretroFrontEnd, AFileOfTheSetThatIsNoRegularFileIsRefusedAtOnce) {
  constexpr unsigned REFUSAL_SECONDS = 5; // a refusal takes far less; an open that waits never ends
  std::vector<std::string> programs = {std::string("'") + QUILLOMARK_HEADLESS + "' --frames 1"};
#ifdef QUILLOMARK_DESKTOP
  programs.push_back(std::string("QUILLOMARK_NO_DIALOGS=1 '") + QUILLOMARK_DESKTOP + "'");
#endif
  const std::string copy = "sh -c \"cp '" + demoFile("") + "'/*.bin '" + demoFile(PALETTE_FILE) + "' . && rm ";
  struct Case {
    std::string name, make, says;
  };
  std::vector<Case> cases = {{"18b_d02.bin", "head -c 100 /dev/zero > 18b_d02.bin && rm 17c_u.bin && mkfifo 17c_u.bin",
                              "18b_d02.bin is not 64K long"}};
  for (const std::string& name : setFileNames())
    for (const char* make : {"mkfifo ", "ln -s /dev/zero ", "mkdir "}) {
      char missing[CORE_MESSAGE_SIZE];
      snprintf(missing, sizeof missing, ROM_MISSING_FORMAT, name.c_str());
      cases.push_back({name, make + name, name == PALETTE_FILE ? "Cannot read the 256 colours of pal.bmp" : missing});
    }
  for (const Case& c : cases) {
    const std::string dir = makeScratchDir("libretro-irregular");
    ASSERT_EQ(runIn(dir, copy + c.name + " && " + c.make + "\""), 0) << c.make;
    for (const std::string& program : programs) {
      EXPECT_EQ(runIn(dir, "timeout " + std::to_string(REFUSAL_SECONDS) + " env " + program + " > out.txt 2> err.txt"),
                EXIT_CODE_END)
          << program << ": " << c.make;
      const std::vector<uint8_t> out = readFile(dir + "/out.txt");
      EXPECT_NE(std::string(out.begin(), out.end()).find(c.says + "\n"), std::string::npos) << program << ": " << c.make;
    }
    alarm(REFUSAL_SECONDS); // the core's load is in this process
    EXPECT_FALSE(startCore(dir));
    alarm(0);
    ASSERT_EQ(frontEnd.messages.size(), 1u) << c.make;
    EXPECT_NE(frontEnd.messages[0].find(c.says), std::string::npos) << frontEnd.messages[0] << c.make;
    call("retro_deinit");
  }
}

TEST(LibretroFrontEnd, AHangKeepsThePictureAndIsReportedOncePerHangWarningsGoToTheLog) {
  const std::string dir = makeScratchDir("libretro-hang");
  writeRomSet(dir, hangProgram());
  ASSERT_TRUE(startCore(dir + "/" + PALETTE_FILE));
  for (int i = 0; i < 3; ++i)
    call("retro_run");
  call("retro_reset");
  call("retro_run");
  EXPECT_EQ(frontEnd.pictures, 4);
  const std::string hang = "No frame for 1048576 instructions: the program at PC 00000410 is not reaching its idle loop";
  EXPECT_EQ(frontEnd.messages, (std::vector<std::string>{hang, hang}));
  stopCore();

  writeRomSet(dir, warningStormProgram());
  ASSERT_TRUE(startCore(dir + "/" + PALETTE_FILE));
  call("retro_run");
  call("retro_run");
  const long warnings = std::count_if(frontEnd.log.begin(), frontEnd.log.end(),
                                      [](const std::string& line) { return line.rfind("WARN [Quillomark] ", 0) == 0; });
  // 150 a frame: 100 lines, then "50 more warnings in this frame".
  EXPECT_GE(warnings, 101);
  EXPECT_LE(warnings, 2 * 101);
  stopCore();
}

} // namespace
