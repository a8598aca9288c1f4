// The embedding interface: sets from memory, one frame per call, states in memory, failures returned.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "driver/rom_loader.h"
#include "core/core.h"
#include "core/records.h"
#include "core/rewind.h"
#include "debug/gdb_stub.h"
#include "video/compose.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/key_map.h"
#include "host/keyboard.h"
#include "host/run_end.h"
#include "core/save_state.h"
#include "platform/headless/headless.h"
#include "support/test_support.h"
#include "video/frame_store.h"
#include "video/palette.h"

namespace {

#if defined(QUILLOMARK_DEMO_DIR) && defined(QUILLOMARK_HELLO_DIR)
constexpr const char* SET_DIRS[] = {QUILLOMARK_DEMO_DIR, QUILLOMARK_HELLO_DIR};
#else
constexpr const char* SET_DIRS[] = {nullptr, nullptr};
#endif
constexpr int FRAMES = 90;

// A set's files in memory, as a front end holds them.
struct SetBytes {
  std::vector<std::vector<uint8_t>> images;
  std::vector<CoreFile> files;
  std::vector<uint8_t> palette;
};

SetBytes readSet(const std::string& dir) {
  SetBytes set;
  set.images.reserve(std::size(ROM_LOADS));
  for (const RomLoad& load : ROM_LOADS)
    set.images.push_back(readFile(dir + "/" + load.fileName));
  for (size_t i = 0; i < set.images.size(); ++i)
    set.files.push_back({ROM_LOADS[i].fileName, set.images[i].data(), set.images[i].size()});
  set.palette = readFile(dir + "/" + PALETTE_FILE);
  return set;
}

uint64_t pictureNow() { return pictureDigest(corePicture() - SCREEN_X, CORE_PICTURE_PITCH); }

// The digest of every frame of a run of the set in this process.
std::vector<uint64_t> runInProcess(const SetBytes& set, int frames) {
  char message[CORE_MESSAGE_SIZE];
  EXPECT_TRUE(coreLoadRomSet(set.files.data(), int(set.files.size()), message, sizeof message)) << message;
  EXPECT_TRUE(coreLoadPalette(set.palette.data(), set.palette.size(), message, sizeof message)) << message;
  std::vector<uint64_t> digests;
  while (int(digests.size()) < frames) {
    EXPECT_EQ(coreRunFrame(), CORE_FRAME_ENDED);
    digests.push_back(pictureNow());
  }
  EXPECT_EQ(corePassCount(), uint32_t(frames));
  return digests;
}

// The same run by quillomark-headless in a process of its own, on a copy of the set.
std::vector<uint64_t> runInOwnProcess(const std::string& setDir, int frames) {
  const std::string dir = makeScratchDir("core-process");
  EXPECT_EQ(runIn(dir, "cp '" + setDir + "'/*.bin '" + setDir + "'/pal.bmp ."), 0);
  EXPECT_EQ(runIn(dir, std::string("'") + QUILLOMARK_HEADLESS + "' --frames " + std::to_string(frames) +
                           " --digests digests.txt >/dev/null"),
            EXIT_CODE_END);
  std::vector<uint64_t> digests;
  const std::vector<uint8_t> text = readFile(dir + "/digests.txt");
  const std::string lines(text.begin(), text.end());
  for (size_t at = 0; (at = lines.find(' ', at)) != std::string::npos; ++at)
    digests.push_back(std::stoull(lines.substr(at + 1, 16), nullptr, 16));
  return digests;
}

TEST(Core, SetsLoadedOneAfterAnotherRunAsInFreshProcesses) {
  if (!SET_DIRS[0])
    GTEST_SKIP() << "no demo or starter ROM set in this build (m68k-linux-gnu cross tools not found)";
  freshMachine();
  // The demo, the starter program, then the demo again, all in this process.
  for (const char* dir : {SET_DIRS[0], SET_DIRS[1], SET_DIRS[0]}) {
    SCOPED_TRACE(dir);
    const std::vector<uint64_t> inProcess = runInProcess(readSet(dir), FRAMES);
    EXPECT_EQ(inProcess, runInOwnProcess(dir, FRAMES));
  }
  EXPECT_NE(runInProcess(readSet(SET_DIRS[1]), FRAMES), runInProcess(readSet(SET_DIRS[0]), FRAMES));
  coreEnd();
}

TEST(Core, AStateInMemoryGoesOnExactly) {
  if (!SET_DIRS[0])
    GTEST_SKIP() << "no demo ROM set in this build";
  freshMachine();
  runInProcess(readSet(SET_DIRS[0]), FRAMES);
  std::vector<uint8_t> state(coreStateSize());
  EXPECT_FALSE(coreSaveState(state.data(), state.size() - 1));
  ASSERT_TRUE(coreSaveState(state.data(), state.size()));
  // Keys held across the saved frames, so that inputs and autofire are part of what must come back.
  const auto runFrames = [] {
    std::vector<uint64_t> digests;
    for (int i = 0; i < FRAMES; ++i) {
      if (i == 3)
        coreQueueKey(VKEY_RIGHT, true);
      if (i == 10)
        coreQueueKey(VKEY_CONTROL, true);
      coreRunFrame();
      digests.push_back(pictureNow());
    }
    coreQueueKey(VKEY_RIGHT, false);
    coreQueueKey(VKEY_CONTROL, false);
    coreRunFrame();
    return digests;
  };
  const std::vector<uint64_t> first = runFrames();
  // A damaged state changes nothing; the good one takes the machine back.
  std::vector<uint8_t> damaged = state;
  damaged.pop_back();
  EXPECT_EQ(coreLoadState(damaged.data(), damaged.size()), STATE_TRUNCATED);
  damaged = state;
  damaged[0] ^= 1;
  EXPECT_EQ(coreLoadState(damaged.data(), damaged.size()), STATE_CORRUPTED);
  ASSERT_EQ(coreLoadState(state.data(), state.size()), STATE_LOADED);
  EXPECT_EQ(runFrames(), first);
  EXPECT_NE(first.front(), first.back());
  coreEnd();
}

TEST(Core, StartUpFailuresAreReturnedWithTheProgramsMessages) {
  freshMachine();
  const std::vector<uint8_t> image(ROM_IMAGE_SIZE, 0x4E), shortImage(ROM_IMAGE_SIZE - 1, 0x4E);
  std::vector<CoreFile> files;
  for (const RomLoad& load : ROM_LOADS)
    files.push_back({load.fileName, image.data(), image.size()});
  const struct {
    int file;          // the file changed
    const uint8_t* data;
    size_t size;
    const char* message;
  } cases[] = {
      {0, nullptr, 0, "Failed to open rom file 18b_d02.bin"},
      {3, shortImage.data(), shortImage.size(), "17c_l.bin is not 64K long"},
      {7, image.data(), 0, "17c_u.bin is not 64K long"},
  };
  char message[CORE_MESSAGE_SIZE];
  for (const auto& c : cases) {
    std::vector<CoreFile> set = files;
    set[c.file].data = c.data;
    set[c.file].size = c.size;
    EXPECT_FALSE(coreLoadRomSet(set.data(), int(set.size()), message, sizeof message));
    EXPECT_STREQ(message, c.message);
  }
  EXPECT_TRUE(coreLoadRomSet(files.data(), int(files.size()), message, sizeof message));
  const std::vector<uint8_t> palette(PALETTE_FILE_MINIMUM - 1);
  EXPECT_FALSE(coreLoadPalette(palette.data(), palette.size(), message, sizeof message));
  EXPECT_STREQ(message, "Cannot read the 256 colours of pal.bmp");
  coreEnd();
  EXPECT_EQ(coreRunFrame(), CORE_FRAME_HUNG); // nothing loaded: nothing runs
}

// A program that never ends a frame returns after the budget and keeps its last picture.
TEST(Core, AHungProgramReturnsAfterItsBudget) {
  freshMachine();
  std::vector<uint8_t> image(ROM_IMAGE_SIZE, 0);
  const uint8_t vectors[] = {0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00}; // SSP 0x80000, PC 0x400
  std::vector<uint8_t> even = image, odd = image;
  for (int i = 0; i < 4; ++i) {
    even[i] = vectors[2 * i];
    odd[i] = vectors[2 * i + 1];
  }
  even[0x200] = 0x60; // bra.s *: a loop at 0x400
  odd[0x200] = 0xFE;
  std::vector<CoreFile> files;
  for (const RomLoad& load : ROM_LOADS)
    files.push_back({load.fileName, load.base == 0 ? (load.lane ? odd.data() : even.data()) : image.data(),
                     ROM_IMAGE_SIZE});
  char message[CORE_MESSAGE_SIZE];
  ASSERT_TRUE(coreLoadRomSet(files.data(), int(files.size()), message, sizeof message));
  const uint64_t before = pictureNow();
  EXPECT_EQ(coreRunFrame(), CORE_FRAME_HUNG);
  EXPECT_EQ(corePassCount(), 0u);
  EXPECT_EQ(pictureNow(), before);
  coreEnd();
}

// Rewinding N passes shows the picture of that pass again, within the memory rewind may take.
TEST(Rewind, GoesBackToThePicturesOfEarlierPasses) {
  if (!SET_DIRS[0])
    GTEST_SKIP() << "no demo ROM set in this build";
  freshMachine();
  const SetBytes set = readSet(SET_DIRS[0]);
  char message[CORE_MESSAGE_SIZE];
  ASSERT_TRUE(coreLoadRomSet(set.files.data(), int(set.files.size()), message, sizeof message));
  ASSERT_TRUE(coreLoadPalette(set.palette.data(), set.palette.size(), message, sizeof message));
  constexpr int PASSES = 1200; // 20 seconds
  std::vector<uint64_t> digests;
  for (int i = 0; i < PASSES; ++i) {
    if (i == 100)
      coreQueueKey(VKEY_LEFT, true);
    coreRunFrame();
    keepRewindState();
    digests.push_back(pictureNow());
  }
  EXPECT_EQ(rewindDepth(), size_t(PASSES - 1)) << "20 seconds are kept";
  EXPECT_LE(rewindHistory.bytes, REWIND_MEMORY_LIMIT);
  // A pass that changed nothing costs no step.
  keepRewindState();
  EXPECT_EQ(rewindDepth(), size_t(PASSES - 1));
  size_t at = digests.size() - 1;
  for (const size_t back : {1, 59, 1000}) {
    for (size_t i = 0; i < back; ++i)
      ASSERT_TRUE(rewindOnePass());
    at -= back;
    composeFrame();
    EXPECT_EQ(pictureNow(), digests[at]) << back;
  }
  // Going on from there goes on as the run did from that pass.
  coreRunFrame();
  EXPECT_EQ(pictureNow(), digests[at + 1]);
  coreEnd();
}

// Whatever wrote the machine between two kept passes, rewind keeps exactly the state it left and takes
// every pass back to exactly its state: a write a writer failed to mark shows here by its name.
TEST(Rewind, KeepsAndUndoesTheWritesOfEveryWriter) {
  if (!SET_DIRS[0])
    GTEST_SKIP() << "no demo ROM set in this build";
  freshMachine();
  const SetBytes set = readSet(SET_DIRS[0]);
  runInProcess(set, 2);
  std::vector<uint8_t> older(stateSize());
  saveState(older.data());
  const auto stateNow = [] {
    std::vector<uint8_t> bytes(stateSize());
    saveState(bytes.data());
    return bytes;
  };
  const std::pair<const char*, std::function<void()>> writers[] = {
      {"a pass", [] { coreRunFrame(); }},
      {"CPU long across a block's end", [] { writeLong(0x800FE, 0x12345678); }},
      {"CPU word across a block's end", [] { writeWord(0x801FF, 0xABCD); }},
      {"CPU byte", [] { writeByte(0x80300, 0x5A); }},
      {"CPU into ROM", [] { silenced(SILENCE_STDOUT, [] { writeWord(0x1000, 0xBEEF); }); }},
      {"keys", [] { applyKey(0x34, 1); }},
      {"joystick", [] { applyJoystick(0, 100, 0); }},
      {"front end's bytes", [] { coreInputs.atFrameEnd = true; coreSetInputs(0x5A, 0xA5); }},
      {"debugger", [] { std::string reply; answerGdbPacket("M90000,2:abcd", 13, &reply); }},
      {"laid image", [&] { layRomImage(set.images[1].data(), ROM_LOADS[0].base, ROM_LOADS[0].lane); }},
      {"test helper", [] { pokeWords(0x90100, {0x4E71}); }},
      {"layer decoding", [] { writeWord(LAYER0_MAP, 0x0123); composeFrame(); }},
      {"state load", [&] { loadState(older.data(), older.size()); }},
      {"reset", [] { coreReset(); }},
  };
  keepRewindState();
  std::vector<std::vector<uint8_t>> states = {stateNow()};
  for (const auto& [name, write] : writers) {
    write();
    keepRewindState();
    states.push_back(stateNow());
    ASSERT_EQ(rewindDepth(), states.size() - 1) << name << " changed nothing";
    EXPECT_EQ(memcmp(rewindHistory.latest.data(), states.back().data(), stateSize()), 0) << name;
  }
  for (size_t i = states.size() - 1; i-- > 0;) {
    ASSERT_TRUE(rewindOnePass());
    EXPECT_TRUE(stateNow() == states[i]) << "back before " << writers[i].first;
  }
  coreEnd();
}

// A key pressed and let go between two frames reaches the board for one frame, whether the front end
// gives it between frames (the page) or at the frame end before composing (the desktop's pump); a
// scripted run, which does not hold taps, sees it never.
TEST(Core, AShortTapIsSeenForOneFrame) {
  if (!SET_DIRS[0])
    GTEST_SKIP() << "no demo ROM set in this build";
  const SetBytes set = readSet(SET_DIRS[0]);
  for (const bool hold : {true, false})
    for (const bool atFrameEnd : {false, true}) {
      SCOPED_TRACE(testing::Message() << "hold " << hold << ", at the frame end " << atFrameEnd);
      freshMachine();
      coreHoldShortTaps(hold);
      runInProcess(set, 2);
      const auto left = [] { return machineMemory[PLAYER_INPUTS_ADDRESS] & INPUT_LEFT; };
      machineMemory[PLAYER_INPUTS_ADDRESS] &= ~INPUT_LEFT;
      uint32_t rest;
      if (atFrameEnd) {
        ASSERT_EQ(coreRunSlice(LOOP_PLAIN, CORE_FRAME_BUDGET, &rest), SLICE_FRAME_ENDED);
      }
      coreQueueKey(VKEY_LEFT, true);
      coreQueueKey(VKEY_LEFT, false);
      coreQueueKey(VKEY_UP, true); // after the held release: waits with it
      if (!atFrameEnd) {
        ASSERT_EQ(coreRunSlice(LOOP_PLAIN, CORE_FRAME_BUDGET, &rest), SLICE_FRAME_ENDED);
      }
      EXPECT_EQ(left(), hold ? INPUT_LEFT : 0);
      EXPECT_EQ(machineMemory[PLAYER_INPUTS_ADDRESS] & INPUT_UP, hold ? 0 : INPUT_UP);
      coreCompose();
      ASSERT_EQ(coreRunSlice(LOOP_PLAIN, CORE_FRAME_BUDGET, &rest), SLICE_FRAME_ENDED);
      EXPECT_EQ(left(), 0);
      EXPECT_EQ(machineMemory[PLAYER_INPUTS_ADDRESS] & INPUT_UP, INPUT_UP);
    }
  coreHoldShortTaps(true);
  coreEnd();
}

// A set loaded again resets the machine (passes, autofire, rewind's history of the old machine) and
// keeps the person's run (key settings, the chosen slot).
TEST(Core, ALoadResetsTheMachineAndKeepsTheRun) {
  if (!SET_DIRS[0])
    GTEST_SKIP() << "no demo ROM set in this build";
  const SetBytes set = readSet(SET_DIRS[0]);
  freshMachine();
  keyMap.keys[0].codes[0] = uint8_t(VKEY_F12);
  hostControls.stateSlot = 3;
  runInProcess(set, 5);
  coreQueueKey(VKEY_CONTROL, true);
  for (int i = 0; i < 3; ++i) {
    coreRunFrame();
    keepRewindState();
  }
  ASSERT_EQ(boardInputs.autofire, 1u);
  ASSERT_GT(rewindDepth(), 0u);
  runInProcess(set, 1);
  EXPECT_EQ(corePassCount(), 1u);
  EXPECT_EQ(boardInputs.autofire, 0u);
  EXPECT_EQ(rewindDepth(), 0u);
  EXPECT_EQ(keyMap.keys[0].codes[0], uint8_t(VKEY_F12));
  EXPECT_EQ(hostControls.stateSlot, 3);
  coreEnd();
}

// Under a limit, what the kept steps take as allocated (room and bookkeeping, measured apart from
// rewind's own count) stays within it, the oldest going first.
TEST(Rewind, ItsAllocatedMemoryStaysWithinTheLimit) {
  if (!SET_DIRS[0])
    GTEST_SKIP() << "no demo ROM set in this build";
  freshMachine();
  const SetBytes set = readSet(SET_DIRS[0]);
  runInProcess(set, 1);
  constexpr size_t LIMIT = 64 << 10;
  rewindHistory.limit = LIMIT;
  size_t most = 0;
  for (int i = 0; i < 400; ++i) {
    coreRunFrame();
    coreKeepPass();
    size_t allocated = 0;
    for (const std::vector<uint64_t>& step : rewindHistory.steps)
      allocated += step.capacity() * sizeof(uint64_t) + sizeof step;
    EXPECT_LE(allocated, LIMIT) << i;
    most = std::max(most, allocated);
  }
  EXPECT_GT(most, LIMIT / 2) << "the limit was reached";
  EXPECT_LT(rewindDepth(), 399u) << "the oldest steps went";
  coreEnd();
}

// Every record meant for a state has a part in it, and every record left out says why.
TEST(Records, EveryRecordIsInTheStateOrSaysWhyNot) {
  for (int id = 0; id < RECORD_COUNT; ++id) {
    const MachineRecord& record = MACHINE_RECORDS[id];
    SCOPED_TRACE(record.name);
    EXPECT_EQ(stateHoldsRecord(id), record.unsaved == nullptr);
    ASSERT_NE(record.reset, nullptr);
  }
}

} // namespace
