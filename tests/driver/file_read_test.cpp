#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <tuple>

#include "files/file_read.h"
#include "host/on_screen.h"
#include "host/run_end.h"
#include "host/state_files.h"
#include "host/window_proc.h"
#include "support/test_support.h"

namespace {

TEST(ReadRegularFile, ReadsPastOneChunkAndNamesWhyItFails) {
  const std::string dir = makeScratchDir("file-read");
  std::vector<uint8_t> written(200000);
  for (size_t i = 0; i < written.size(); ++i)
    written[i] = uint8_t(i * 7 + i / 251);
  ASSERT_TRUE(writeFile(dir + "/data.bin", written));
  std::vector<uint8_t> bytes = {1, 2, 3};
  EXPECT_TRUE(readRegularFile((dir + "/data.bin").c_str(), SIZE_MAX, bytes));
  EXPECT_EQ(bytes, written);

  EXPECT_FALSE(readRegularFile((dir + "/missing.bin").c_str(), SIZE_MAX, bytes));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_TRUE(bytes.empty());
  // A folder opens like a file; it is refused before the read.
  EXPECT_FALSE(readRegularFile(dir.c_str(), SIZE_MAX, bytes));
  EXPECT_EQ(errno, EISDIR);

  // The same file whole at its exact size, or its start, and no more than the limit.
  EXPECT_TRUE(readRegularFile((dir + "/data.bin").c_str(), written.size(), bytes));
  EXPECT_EQ(bytes, written);
  EXPECT_FALSE(readRegularFile((dir + "/data.bin").c_str(), written.size() - 1, bytes));
  EXPECT_EQ(errno, EFBIG);
  EXPECT_TRUE(readRegularFileStart((dir + "/data.bin").c_str(), 70000, bytes));
  EXPECT_EQ(bytes, std::vector<uint8_t>(written.begin(), written.begin() + 70000));
}

// Files that are no plain input: none may block, be read past the limit, or pass for a file.
struct HostileFile {
  const char* name;
  int readError;          // readRegularFile's errno
  int disasmExit;         // quillomark-disasm --count 5 NAME: exit code, start of its errors (else output)
  const char* disasmText;
  const char* packError;  // quillomark-pack NAME out: start of its errors (exit code 2)
  bool rootReadsIt;
  const char* f3Message;  // what F3 shows with state.qms a link to it
};
const HostileFile HOSTILE_FILES[] = {
    {"pipe", EINVAL, 2, "quillomark-disasm: pipe is not a regular file\n", "quillomark-pack: pipe is not a", 0,
     "No state to load: not a regular file"},
    {"/dev/zero", EINVAL, 2, "quillomark-disasm: /dev/zero is not a regular", "quillomark-pack: /dev/zero is not a", 0,
     "No state to load: not a regular file"},
    {"folder", EISDIR, 2, "quillomark-disasm: cannot read folder/18b_d02.bin", "quillomark-pack: folder is not a", 0,
     "No state to load: not a regular file"},
    {"zero-link", EINVAL, 2, "quillomark-disasm: zero-link is not a regular", "quillomark-pack: zero-link is not a", 0,
     "No state to load: not a regular file"},
    {"huge.bin", EFBIG, 0, "00000000\t0000 0000\tori.b #0,d0\n00000004\t0000 0000\tori.b #0,d0\n",
     "quillomark-pack: huge.bin holds 68719476736 bytes: more than 0x80000\n", 0, "State file corrupted"},
    {"locked.bin", EACCES, 2, "quillomark-disasm: cannot read locked.bin: Permission denied\n",
     "quillomark-pack: cannot read locked.bin: Permission denied\n", 1, "No state to load: Permission denied"},
};

TEST(HostileFiles, RefusedUnreadWithoutBlocking) {
  const std::string dir = makeScratchDir("hostile-files");
  ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600) | mkdir((dir + "/folder").c_str(), 0755) |
                symlink("/dev/zero", (dir + "/zero-link").c_str()), 0);
  ASSERT_TRUE(writeFile(dir + "/huge.bin", {}) && writeFile(dir + "/locked.bin", {0x4E, 0x71}));
  ASSERT_EQ(truncate((dir + "/huge.bin").c_str(), off_t(64) << 30) | chmod((dir + "/locked.bin").c_str(), 0), 0);
  for (const HostileFile& f : HOSTILE_FILES) {
    if (f.rootReadsIt && geteuid() == 0) {
      printf("[ SKIPPED  ] %s: running as root, which reads any file\n", f.name);
      continue;
    }
    std::vector<uint8_t> bytes = {1};
    EXPECT_FALSE(readRegularFile(f.name[0] == '/' ? f.name : (dir + "/" + f.name).c_str(), 1 << 20, bytes));
    EXPECT_EQ(errno, f.readError) << f.name;
    EXPECT_TRUE(bytes.empty()) << f.name;
    const std::string disasm = std::string(QUILLOMARK_DISASM) + " --count 5 " + f.name;
    const std::string pack = std::string(QUILLOMARK_PACK) + " " + f.name + " out";
    for (const auto& [command, exitCode, text] :
         {std::tuple{disasm, f.disasmExit, f.disasmText}, {pack, 2, f.packError}}) {
      EXPECT_EQ(runIn(dir, command + " > out.txt 2> err.txt"), exitCode) << command;
      const std::vector<uint8_t> shown = readFile(dir + (exitCode ? "/err.txt" : "/out.txt"));
      EXPECT_EQ(std::string(shown.begin(), shown.end()).rfind(text, 0), 0u) << command;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/out")) << f.name;
    // The programs' own inputs: each refused with a one-line message, none waited on or read whole.
    for (const char* option : {"--load-state", "--replay", "--keys"}) {
      const std::string run = std::string(QUILLOMARK_HEADLESS) + " " + option + " " + f.name + " > out.txt 2> err.txt";
      EXPECT_EQ(runIn(dir, run), EXIT_CODE_USAGE) << run;
      const std::vector<uint8_t> shown = readFile(dir + "/err.txt");
      EXPECT_NE(std::string(shown.begin(), shown.end()).find(f.name), std::string::npos) << run;
    }
    // F3 with state.qms a link to it.
    const std::string f3Dir = makeScratchDir("hostile-f3");
    ASSERT_EQ(symlink(f.name[0] == '/' ? f.name : (dir + "/" + f.name).c_str(), (f3Dir + "/" + STATE_FILE).c_str()), 0);
    freshMachine();
    ASSERT_TRUE(inDirectory(f3Dir, [] { windowProc(nullptr, MSG_KEYDOWN, VKEY_F3, 0); }));
    EXPECT_STREQ(onScreen.message, f.f3Message) << f.name;
  }
}

} // namespace
