// Save states: every part comes back, a bad file changes nothing, and a run loaded from a state goes
// on exactly as the run that saved it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include <cstring>
#include <functional>
#include <string>

#include "host/keyboard.h"
#include "cpu68k/cpu_state.h"
#include "files/file_write.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "driver/sound_queue.h"
#include "host/controls.h"
#include "host/input_log.h"
#include "host/joystick.h"
#include "host/run_end.h"
#include "host/on_screen.h"
#include "host/state_files.h"
#include "host/window_proc.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "video/screenshot.h"
#include "video/display.h"
#include "video/layers.h"
#include "video/sprites.h"

namespace {

template <typename T> void append(std::vector<uint8_t>& bytes, const T& record) {
  const size_t at = bytes.size();
  bytes.resize(at + sizeof record);
  memcpy(bytes.data() + at, &record, sizeof record);
}

// Everything a state must carry, as one byte string.
std::vector<uint8_t> machineBytes() {
  std::vector<uint8_t> bytes(machineMemory, machineMemory + MEMORY_SIZE);
  append(bytes, cpuState);
  append(bytes, ccrWord);
  append(bytes, frameLoopState.idleHitCount);
  append(bytes, soundCommandQueue);
  append(bytes, layerState);
  append(bytes, spriteState);
  append(bytes, boardInputs.autofire);
  append(bytes, spriteState.inspector);
  append(bytes, spriteState.inspectedSlot);
  append(bytes, boardInputs.joystickAxisX);
  append(bytes, boardInputs.joystickAxisY);
  append(bytes, boardInputs.joystickButtons);
  return bytes;
}

// Fills everything a state carries with a pattern of seed (indices and counts in their ranges).
void scribble(uint8_t seed) {
  for (uint32_t a = 0; a < MEMORY_SIZE; ++a)
    machineMemory[a] = uint8_t(a * 7 + seed);
  memset(&cpuState, seed, sizeof cpuState);
  ccrWord = seed * CCR_X;
  frameLoopState.idleHitCount = seed % IDLE_HIT_LIMIT;
  memset(soundCommandQueue.entries, seed + 1, sizeof soundCommandQueue.entries);
  soundCommandQueue.writeIndex = seed * 3;
  soundCommandQueue.readIndex = seed * 5;
  memset(&layerState, seed + 2, sizeof layerState);
  spriteState.zoomedSpriteCount = seed * 11u;
  boardInputs.autofire = seed & 1;
  spriteState.inspector = seed & 2;
  spriteState.inspectedSlot = seed + 3;
  boardInputs.joystickAxisX = -seed;
  boardInputs.joystickAxisY = seed * 2;
  boardInputs.joystickButtons = seed * 3;
}

TEST(SaveState, EveryPartComesBackAndNothingElseMoves) {
  freshMachine();
  ASSERT_TRUE(inDirectory(makeScratchDir("state-round-trip"), [] {
    scribble(1);
    const std::vector<uint8_t> saved = machineBytes();
    ASSERT_TRUE(saveMachineState(STATE_FILE));
    scribble(2);
    // Not in a state: the pass count, the replay position, wide mode, frame shots, the joystick's id.
    frameLoopState.passCount = 99;
    inputLog.replayNext = 5;
    displayContext.wideMode = true;
    hostControls.frameShotsOn = 1;
    joystickState.joystickId = 0;
    ASSERT_NE(machineBytes(), saved);
    ASSERT_EQ(loadMachineState(STATE_FILE), STATE_LOADED);
    EXPECT_TRUE(machineBytes() == saved);
    EXPECT_EQ(frameLoopState.passCount, 99u);
    EXPECT_EQ(inputLog.replayNext, 5u);
    EXPECT_TRUE(displayContext.wideMode);
    EXPECT_EQ(hostControls.frameShotsOn, 1u);
    EXPECT_EQ(joystickState.joystickId, 0);
  }));
}

// F7 and F8 choose among ten slots; F2 says when it saved over a slot's file; F1 says Reset.
TEST(SaveState, SlotsAndTheirMessages) {
  freshMachine();
  ASSERT_TRUE(inDirectory(makeScratchDir("state-slots"), [] {
    const auto key = [](uint32_t code) {
      windowProc(nullptr, MSG_KEYDOWN, code, 0);
      return std::string(onScreen.message ? onScreen.message : "");
    };
    EXPECT_EQ(key(VKEY_F7), "Slot 9 (state9.qms)");
    EXPECT_EQ(key(VKEY_F3), "Slot 9: No state to load");
    EXPECT_EQ(key(VKEY_F2), "Slot 9: State saved");
    EXPECT_EQ(key(VKEY_F2), "Slot 9: State saved over the old one");
    EXPECT_EQ(key(VKEY_F8), "Slot 0 (state.qms)");
    EXPECT_EQ(key(VKEY_F2), "State saved");
    EXPECT_EQ(key(VKEY_F3), "State loaded");
    EXPECT_EQ(key(VKEY_F1), "Reset");
    EXPECT_FALSE(readFile("state9.qms").empty());
    // A pipe in a slot's place is never opened: F3 refuses it, F2 puts the state in its place.
    ASSERT_EQ(mkfifo("state1.qms", 0600), 0);
    EXPECT_EQ(key(VKEY_F8), "Slot 1 (state1.qms)");
    EXPECT_EQ(key(VKEY_F3), "Slot 1: No state to load: not a regular file");
    EXPECT_EQ(key(VKEY_F2), "Slot 1: State saved over the old one");
    EXPECT_EQ(key(VKEY_F3), "Slot 1: State loaded");
    // F12 names the file and the folder it went to (its end kept, all of it on the line), and says
    // when it replaced one.
    const std::string folder = std::filesystem::current_path().filename().string();
    for (const char* done : {"Written ", "Replaced "}) {
      const std::string said = key(VKEY_F12);
      EXPECT_EQ(said.rfind(done, 0), 0u) << said;
      EXPECT_TRUE(said.ends_with(folder.substr(folder.size() > 8 ? folder.size() - 8 : 0) + "/vortane.bmp") &&
                  said.size() <= size_t(OVERLAY_SHOWN_CHARACTERS))
          << said;
    }
    // F11 after the series was written says so instead of recording nothing.
    EXPECT_EQ(key(VKEY_F11), "Recording frames");
    screenshotState.frameShotCount = FRAME_SHOT_LIMIT + 1;
    EXPECT_EQ(key(VKEY_F11), FRAME_SERIES_COMPLETE_TEXT);
  }));
}

TEST(SaveState, FailedWriteIsReported) {
  freshMachine();
  ASSERT_TRUE(inDirectory(makeScratchDir("state-unwritable"), [] {
    const std::string errors = captureStderr([] { EXPECT_FALSE(saveMachineState("missing/state.qms")); });
    EXPECT_EQ(errors, "Cannot write missing/state.qms: No such file or directory\n");
    EXPECT_TRUE(fileWriteState.anyFailed);
  }));
}

// CRC-32 bit by bit, apart from the program's table.
uint32_t crc32(const uint8_t* bytes, size_t size) {
  uint32_t crc = ~0u;
  for (size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit)
      crc = crc & 1 ? 0xEDB88320 ^ crc >> 1 : crc >> 1;
  }
  return ~crc;
}

void putWord(std::vector<uint8_t>& file, size_t at, uint32_t value) { memcpy(file.data() + at, &value, 4); }

// Makes the last word the checksum of the rest again.
void reseal(std::vector<uint8_t>& file) { putWord(file, file.size() - 4, crc32(file.data(), file.size() - 4)); }

// Offset of the bytes of the part with this id (0 if none).
size_t partData(const std::vector<uint8_t>& file, const char* id) {
  for (size_t at = 8; at + 8 <= file.size();) {
    uint32_t size;
    memcpy(&size, file.data() + at + 4, 4);
    if (memcmp(file.data() + at, id, 4) == 0)
      return at + 8;
    at += 8 + size;
  }
  return 0;
}

TEST(SaveState, BadFilesAreNamedAndChangeNothing) {
  freshMachine();
  ASSERT_TRUE(inDirectory(makeScratchDir("state-bad"), [] {
    scribble(3);
    ASSERT_TRUE(saveMachineState("good.qms"));
    const std::vector<uint8_t> good = readFile("good.qms");
    // "QMST", the version, the parts, and the CRC-32 of all that at the end.
    ASSERT_GT(good.size(), MEMORY_SIZE);
    EXPECT_EQ(memcmp(good.data(), "QMST\x01\0\0\0", 8), 0);
    uint32_t checksum;
    memcpy(&checksum, &good[good.size() - 4], 4);
    ASSERT_EQ(crc32(good.data(), good.size() - 4), checksum);
    const size_t afterMemory = partData(good, "MEMO") + MEMORY_SIZE;
    using Edit = std::function<void(std::vector<uint8_t>&)>;
    const auto cut = [](size_t size) { return Edit([size](std::vector<uint8_t>& f) { f.resize(size); }); };
    const auto flip = [](size_t at) { return Edit([at](std::vector<uint8_t>& f) { f[at] ^= 0x10; }); };
    const struct {
      const char* name;
      Edit edit; // null: no file at all
      StateLoadResult expected;
      const char* text;
    } cases[] = {
        {"missing", nullptr, STATE_MISSING, "No state to load"},
        {"empty", cut(0), STATE_TRUNCATED, "State file truncated"},
        {"in the header", cut(6), STATE_TRUNCATED, "State file truncated"},
        {"in the memory", cut(1000), STATE_TRUNCATED, "State file truncated"},
        {"in a part header", cut(afterMemory + 3), STATE_TRUNCATED, "State file truncated"},
        {"before the checksum", cut(good.size() - 4), STATE_TRUNCATED, "State file truncated"},
        {"in the checksum", cut(good.size() - 1), STATE_TRUNCATED, "State file truncated"},
        {"flipped memory byte", flip(afterMemory - 77), STATE_CORRUPTED, "State file corrupted"},
        {"flipped checksum byte", flip(good.size() - 2), STATE_CORRUPTED, "State file corrupted"},
        {"flipped part size", flip(afterMemory + 5), STATE_CORRUPTED, "State file corrupted"},
        {"flipped part id", flip(afterMemory), STATE_CORRUPTED, "State file corrupted"},
        {"flipped version byte", flip(4), STATE_CORRUPTED, "State file corrupted"},
        {"bad magic", flip(0), STATE_CORRUPTED, "State file corrupted"},
        {"a byte left over", [](std::vector<uint8_t>& f) { f.push_back(0); }, STATE_CORRUPTED,
         "State file corrupted"},
        {"sound index out of range, sealed",
         [](std::vector<uint8_t>& f) {
           putWord(f, partData(f, "SNDW"), SOUND_QUEUE_SIZE);
           reseal(f);
         },
         STATE_CORRUPTED, "State file corrupted"},
        {"another version, sealed",
         [](std::vector<uint8_t>& f) {
           putWord(f, 4, STATE_FORMAT_VERSION + 1);
           reseal(f);
         },
         STATE_OTHER_VERSION, "State file from another version"},
    };
    scribble(4);
    const std::vector<uint8_t> running = machineBytes();
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      remove(STATE_FILE);
      if (c.edit) {
        std::vector<uint8_t> file = good;
        c.edit(file);
        ASSERT_TRUE(writeFile(STATE_FILE, file));
      }
      const StateLoadResult result = loadMachineState(STATE_FILE);
      EXPECT_EQ(result, c.expected);
      EXPECT_STREQ(stateLoadText(result), c.text);
      EXPECT_TRUE(machineBytes() == running);
    }
    // The unedited file loads: the cases above failed for their edits alone.
    ASSERT_TRUE(writeFile(STATE_FILE, good));
    EXPECT_EQ(loadMachineState(STATE_FILE), STATE_LOADED);
    EXPECT_STREQ(stateLoadText(STATE_LOADED), "State loaded");
    EXPECT_FALSE(machineBytes() == running);
  }));
}

// The demo ROM set, when the build has one (it needs the m68k cross compiler).
#ifdef QUILLOMARK_DEMO_DIR
constexpr const char* DEMO_DIR = QUILLOMARK_DEMO_DIR;
#else
constexpr const char* DEMO_DIR = nullptr;
#endif

std::string headless() { return std::string("'") + QUILLOMARK_HEADLESS + "'"; }

// A scratch copy of the demo ROM set with a key script.
std::string demoRun(const std::string& name, const std::string& keys) {
  const std::string dir = makeScratchDir(name);
  EXPECT_EQ(runIn(dir, std::string("cp '") + DEMO_DIR + "'/*.bin '" + DEMO_DIR + "'/pal.bmp ."), 0);
  EXPECT_TRUE(writeFile(dir + "/keys.txt", std::vector<uint8_t>(keys.begin(), keys.end())));
  return dir;
}

std::vector<std::string> digestsOf(const std::string& dir) {
  const std::vector<uint8_t> text = readFile(dir + "/digests.txt");
  std::vector<std::string> digests;
  std::string line;
  for (const uint8_t c : text) {
    if (c != '\n') {
      line += char(c);
      continue;
    }
    digests.push_back(line.substr(line.find(' ') + 1)); // the digest without its pass number
    line.clear();
  }
  return digests;
}

constexpr uint32_t SAVED_PASS = 120;
constexpr uint32_t LATER_PASSES = 80;

TEST(SaveState, ALoadedRunGoesOnAsTheRunThatSaved) {
  if (!DEMO_DIR)
    GTEST_SKIP() << "no demo ROM set in this build (m68k-linux-gnu cross tools not found)";
  // Left held, switch 5 latched and autofire on across the save point; each undone after it.
  const std::string before = "5 down RIGHT\n5 down DOWN\n5 down ALT\n6 up RIGHT\n6 up DOWN\n6 up ALT\n"
                             "100 down LEFT\n110 down 5\n111 up 5\n115 down CTRL\n";
  const std::string after = "10 up LEFT\n20 up CTRL\n30 down 5\n31 up 5\n40 down SPACE\n45 up SPACE\n";
  // The same messages at the whole run's pass numbers.
  const std::string afterInWholeRun = "130 up LEFT\n140 up CTRL\n150 down 5\n151 up 5\n160 down SPACE\n165 up SPACE\n";
  const std::string whole = demoRun("state-whole", before + afterInWholeRun);
  ASSERT_EQ(runIn(whole, headless() + " --frames " + std::to_string(SAVED_PASS + LATER_PASSES) +
                             " --keys keys.txt --digests digests.txt --save-state " + std::to_string(SAVED_PASS) +
                             " ../saved.qms >out.txt 2>err.txt"),
            EXIT_CODE_END);
  const std::string loaded = demoRun("state-loaded", after);
  ASSERT_EQ(runIn(loaded, headless() + " --frames " + std::to_string(LATER_PASSES) +
                              " --keys keys.txt --digests digests.txt --load-state ../saved.qms >out.txt 2>err.txt"),
            EXIT_CODE_END);

  const std::vector<std::string> wholeDigests = digestsOf(whole);
  ASSERT_EQ(wholeDigests.size(), SAVED_PASS + LATER_PASSES);
  const std::vector<std::string> laterDigests(wholeDigests.end() - LATER_PASSES, wholeDigests.end());
  EXPECT_EQ(digestsOf(loaded), laterDigests);
  const std::vector<uint8_t> wholeKeys = readFile(whole + "/keys.bin");
  ASSERT_EQ(wholeKeys.size(), 2 * (SAVED_PASS + LATER_PASSES));
  EXPECT_EQ(readFile(loaded + "/keys.bin"), std::vector<uint8_t>(wholeKeys.end() - 2 * LATER_PASSES, wholeKeys.end()));
  const std::vector<uint8_t> dump = readFile(whole + "/dump.bin");
  ASSERT_EQ(dump.size(), DUMP_FILE_SIZE);
  EXPECT_TRUE(readFile(loaded + "/dump.bin") == dump) << "dump.bin differs";

  // The same later script without the state shows other pictures: the state did the work.
  const std::string fresh = demoRun("state-fresh", after);
  ASSERT_EQ(runIn(fresh, headless() + " --frames " + std::to_string(LATER_PASSES) +
                             " --keys keys.txt --digests digests.txt >out.txt 2>err.txt"),
            EXIT_CODE_END);
  EXPECT_NE(digestsOf(fresh), laterDigests);
}

TEST(SaveState, HeadlessRefusesABadStateBeforeStarting) {
  const std::string dir = makeScratchDir("state-refused");
  ASSERT_TRUE(writeFile(dir + "/short.qms", {'Q', 'M', 'S', 'T', 1}));
  EXPECT_EQ(runIn(dir, headless() + " --load-state short.qms >out.txt 2>err.txt"), EXIT_CODE_USAGE);
  const std::vector<uint8_t> errors = readFile(dir + "/err.txt");
  EXPECT_EQ(std::string(errors.begin(), errors.end()), "quillomark-headless: State file truncated: short.qms\n");
  EXPECT_TRUE(readFile(dir + "/out.txt").empty()); // nothing started: not even the banner
}

} // namespace
