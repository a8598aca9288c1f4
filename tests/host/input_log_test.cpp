#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "cpu68k/cpu_state.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "files/file_write.h"
#include "host/controls.h"
#include "host/window_proc.h"
#include "host/input_log.h"
#include "host/run_end.h"
#include "support/test_support.h"

namespace {

TEST(InputLog, OneTwoByteRecordPerPassPlayerFirst) {
  freshMachine();
  ASSERT_TRUE(inDirectory(makeScratchDir("keylog"), [] {
    const uint8_t players[] = {0xAA, 0x01, 0x31};
    const uint8_t switchBytes[] = {0xAA, 0x08, 0xF0};
    for (int k = 0; k < 3; ++k) {
      machineMemory[PLAYER_INPUTS_ADDRESS] = players[k];
      machineMemory[SWITCH_INPUTS_ADDRESS] = switchBytes[k];
      logInputs();
    }
    closeKeyLog();
    const std::vector<uint8_t> log = readFile(KEY_LOG_FILE);
    ASSERT_EQ(log.size(), 6u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(log[2 * k], players[k]);
      EXPECT_EQ(log[2 * k + 1], switchBytes[k]);
    }
  }));
}

TEST(InputLog, UnopenableLogIsReportedOnceThenGivenUp) {
  freshMachine();
  ASSERT_TRUE(inDirectory(makeScratchDir("keylog-blocked"), [] {
    ASSERT_EQ(mkdir(KEY_LOG_FILE, 0755), 0); // a directory where the file should be
    const std::string errors = captureStderr([] {
      logInputs();
      logInputs();
    });
    EXPECT_EQ(errors, "Cannot write keys.bin: Is a directory\n");
    EXPECT_TRUE(fileWriteState.anyFailed);
    ASSERT_EQ(rmdir(KEY_LOG_FILE), 0);
    logInputs(); // not reopened on every pass
    closeKeyLog();
    EXPECT_TRUE(readFile(KEY_LOG_FILE).empty());
  }));
}

TEST(Dump, ImageThenRegisterBlock) {
  freshMachine();
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
  std::vector<uint8_t> dump;
  ASSERT_TRUE(inDirectory(makeScratchDir("dump"), [&] {
    writeDump();
    dump = readFile(DUMP_FILE);
  }));
  ASSERT_EQ(dump.size(), DUMP_FILE_SIZE);
  EXPECT_EQ(dump[0], 0x12);
  EXPECT_EQ(dump[MEMORY_SIZE - 1], 0x34);
  const uint8_t* block = dump.data() + MEMORY_SIZE;
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

// A dump that cannot be put in place is reported, and leaves the folder as it was.
TEST(Dump, UncreatableFileIsReportedAndLeavesNothingBehind) {
  freshMachine();
  const std::string dir = makeScratchDir("dump-blocked");
  ASSERT_TRUE(inDirectory(dir, [] {
    ASSERT_EQ(mkdir(DUMP_FILE, 0755), 0); // a directory where the file should be
    EXPECT_EQ(captureStderr(writeDump), "Cannot write dump.bin: Is a directory\n");
    EXPECT_TRUE(fileWriteState.anyFailed);
  }));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{DUMP_FILE}); // no file under another name
  EXPECT_TRUE(std::filesystem::is_directory(dir + "/" + DUMP_FILE));
}

// A write that fails part-way (here at the file-size limit) keeps the earlier dump.bin whole.
TEST(DumpDeathTest, FailedWriteKeepsTheEarlierDump) {
  freshMachine();
  const std::string dir = makeScratchDir("dump-short");
  const std::vector<uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
  ASSERT_TRUE(writeFile(dir + "/" + DUMP_FILE, earlier));
  EXPECT_EXIT(inDirectory(dir,
                          [] {
                            constexpr rlim_t FILE_SIZE_LIMIT = 4096;
                            signal(SIGXFSZ, SIG_IGN); // a failed write instead of a signal
                            const rlimit limit{FILE_SIZE_LIMIT, FILE_SIZE_LIMIT};
                            setrlimit(RLIMIT_FSIZE, &limit);
                            writeDump();
                            exit(fileWriteState.anyFailed ? 0 : 1);
                          }),
              testing::ExitedWithCode(0), "Cannot write dump.bin: File too large");
  EXPECT_EQ(readFile(dir + "/" + DUMP_FILE), earlier);
}

// A destroyed window asks for the end; the end closes keys.bin with every logged pass (none before
// the first pass) and writes dump.bin.
TEST(WindowProc, DestroyAsksForTheEndThatClosesTheLogAndDumps) {
  for (const int passes : {2, 0}) {
    freshMachine();
    const std::string dir = makeScratchDir("destroy");
    int code = 0;
    ASSERT_TRUE(inDirectory(dir, [&] {
      for (int i = 0; i < passes; ++i)
        logInputs();
      windowProc(nullptr, MSG_DESTROY, 0, 0);
      ASSERT_TRUE(endRequested());
      code = finishRun(false);
    }));
    EXPECT_EQ(code, EXIT_CODE_END);
    EXPECT_EQ(readFile(dir + "/" + KEY_LOG_FILE).size(), 2u * passes);
    EXPECT_EQ(readFile(dir + "/" + DUMP_FILE).size(), DUMP_FILE_SIZE);
  }
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
