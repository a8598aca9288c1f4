#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "cpu68k/cpu_state.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "driver/file_write.h"
#include "host/controls.h"
#include "host/window_proc.h"
#include "host/input_log.h"
#include "support/test_support.h"

namespace {

struct ScopedDir {
  char previous[4096];
  explicit ScopedDir(const std::string& dir) {
    if (!getcwd(previous, sizeof previous)) previous[0] = 0;
    EXPECT_EQ(chdir(dir.c_str()), 0);
  }
  ~ScopedDir() { EXPECT_EQ(chdir(previous), 0); }
};

TEST(InputLog, OneTwoByteRecordPerPassPlayerFirst) {
  freshMachine();
  const std::string dir = makeScratchDir("keylog");
  ScopedDir in(dir);
  const uint8_t players[] = {0xAA, 0x01, 0x31};
  const uint8_t switchBytes[] = {0xAA, 0x08, 0xF0};
  for (int k = 0; k < 3; ++k) {
    machineMemory[PLAYER_INPUTS_ADDRESS] = players[k];
    machineMemory[SWITCH_INPUTS_ADDRESS] = switchBytes[k];
    logInputs();
  }
  closeKeyLog();
  const std::vector<uint8_t> log = readFile("keys.bin");
  ASSERT_EQ(log.size(), 6u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(log[2 * k], players[k]);
    EXPECT_EQ(log[2 * k + 1], switchBytes[k]);
  }
}

TEST(InputLog, UnopenableLogIsReportedOnceThenGivenUp) {
  freshMachine();
  const std::string dir = makeScratchDir("keylog-blocked");
  ScopedDir in(dir);
  ASSERT_EQ(mkdir("keys.bin", 0755), 0); // a directory where the file should be
  const std::string errors = captureStderr([] {
    logInputs();
    logInputs();
  });
  EXPECT_EQ(errors, "Cannot write keys.bin: Is a directory\n");
  EXPECT_TRUE(fileWriteState.anyFailed);
  ASSERT_EQ(rmdir("keys.bin"), 0);
  logInputs(); // not reopened on every pass
  closeKeyLog();
  EXPECT_TRUE(readFile("keys.bin").empty());
}

TEST(Dump, ImageThenRegisterBlock) {
  freshMachine();
  const std::string dir = makeScratchDir("dump");
  ScopedDir in(dir);
  machineMemory[0] = 0x12;
  machineMemory[MEMORY_SIZE - 1] = 0x34;
  cpuState.regs[0] = 0x11223344;
  cpuState.sr = 0x2704;
  cpuState.s = 1;
  cpuState.intMask = 7;
  cpuState.specialFlags = 0x08;
  setPc(0x1000);
  fetchWord();
  fetchWord();
  writeDump();
  const std::vector<uint8_t> dump = readFile("dump.bin");
  ASSERT_EQ(dump.size(), DUMP_FILE_SIZE);
  EXPECT_EQ(dump[0], 0x12);
  EXPECT_EQ(dump[0x1FFFFF], 0x34);
  const uint8_t* block = dump.data() + 0x200000;
  const uint8_t d0[] = {0x44, 0x33, 0x22, 0x11};
  EXPECT_EQ(memcmp(block, d0, 4), 0);
  EXPECT_EQ(block[0x4C] | block[0x4D] << 8, 0x2704);
  EXPECT_EQ(block[0x50], 1);
  EXPECT_EQ(block[0x54], 7);
  uint32_t pc;
  memcpy(&pc, block + 0x58, 4);
  EXPECT_EQ(pc, 0x1004u); // the next instruction, made current before writing
  EXPECT_EQ(block[0xBC], 0x08);
}

TEST(Dump, UncreatableFileWritesNothing) {
  freshMachine();
  const std::string dir = makeScratchDir("dump-blocked");
  ScopedDir in(dir);
  ASSERT_EQ(mkdir("dump.bin", 0755), 0);
  writeDump(); // must neither crash nor write elsewhere
  EXPECT_TRUE(readFile("dump.bin").empty());
}

TEST(WindowProcDeathTest, DestroyClosesLogWritesDumpExitsOne) {
  freshMachine();
  const std::string dir = makeScratchDir("destroy");
  EXPECT_EXIT(
      {
        if (chdir(dir.c_str()) != 0) abort();
        logInputs();
        logInputs();
        windowProc(nullptr, MSG_DESTROY, 0, 0);
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EQ(readFile(dir + "/keys.bin").size(), 4u);
  EXPECT_EQ(readFile(dir + "/dump.bin").size(), DUMP_FILE_SIZE);
}

TEST(WindowProcDeathTest, DestroyBeforeTheFirstPassStillDumps) {
  freshMachine();
  const std::string dir = makeScratchDir("destroy-early");
  EXPECT_EXIT(
      {
        if (chdir(dir.c_str()) != 0) abort();
        windowProc(nullptr, MSG_DESTROY, 0, 0);
      },
      testing::ExitedWithCode(1), "");
  EXPECT_TRUE(readFile(dir + "/keys.bin").empty());
  EXPECT_EQ(readFile(dir + "/dump.bin").size(), DUMP_FILE_SIZE);
}

} // namespace

namespace {

TEST(InputReplay, SetsBytesFromEachRecordThenLeavesThem) {
  freshMachine();
  const std::string dir = makeScratchDir("replay");
  writeFile(dir + "/keys.bin", {0x01, 0x08, 0x30, 0x80, 0x77}); // a torn last record is ignored
  ASSERT_TRUE(loadInputReplay((dir + "/keys.bin").c_str()));
  EXPECT_EQ(inputLog.replay.size(), 4u); // two whole records
  const uint8_t expected[][2] = {{0x01, 0x08}, {0x30, 0x80}, {0x30, 0x80}};
  for (const auto& record : expected) {
    machineMemory[PLAYER_INPUTS_ADDRESS] = 0x30; // what the keys did this pass
    replayInputs();
    EXPECT_EQ(machineMemory[PLAYER_INPUTS_ADDRESS], record[0]);
    EXPECT_EQ(machineMemory[SWITCH_INPUTS_ADDRESS], record[1]);
  }
  EXPECT_FALSE(loadInputReplay((dir + "/missing.bin").c_str()));
}

TEST(InputReplay, WithoutALogNothingChanges) {
  freshMachine();
  replayInputs();
  EXPECT_EQ(machineMemory[PLAYER_INPUTS_ADDRESS], MEMORY_FILL);
}

} // namespace
