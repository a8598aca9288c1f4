// The programs run as processes: help and version, inputs refused before start-up, a long key
// script and a long replay.
#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/program.h"
#include "app/program_info.h"
#include "host/run_end.h"
#include "support/test_support.h"

namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::string text(const std::string& path) {
  const std::vector<uint8_t> bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// The programs are built beside quillomark-headless.
std::string besideHeadless(const std::string& name) {
  const std::string headless = QUILLOMARK_HEADLESS;
  return headless.substr(0, headless.rfind('/') + 1) + name;
}

// A headless-only build has every program but the desktop one.
#ifdef QUILLOMARK_DESKTOP_BUILT
constexpr bool DESKTOP_BUILT = true;
#else
constexpr bool DESKTOP_BUILT = false;
#endif
bool built(const std::string& program) { return DESKTOP_BUILT || program != "quillomark"; }

void writeText(const std::string& path, const std::string& content) {
  ASSERT_TRUE(writeFile(path, std::vector<uint8_t>(content.begin(), content.end()))) << path;
}

TEST(Programs, HelpListsEveryOptionAndVersionIsOneLine) {
  const struct {
    const char* name;
    std::vector<std::string> options;
    const char* before = "-640 "; // an argument before --help that must not matter: nothing starts
  } programs[] = {
      {"quillomark", {"-640", "--window", "--full-screen", "--symbols ELF", "--gdb PORT", "--help", "--version"}},
      {"quillomark-headless",
       {"--frames N", "--keys FILE", "--replay FILE", "--digests FILE", "--stats", "-640", "--help", "--version",
        "--load-state FILE", "--save-state N FILE", "--trace FILE", "--trace-from P", "--trace-limit N",
        "--break ADDRESS", "--symbols ELF", "--gdb PORT"}},
      {"quillomark-conformance", {"--show N", "--help", "--version"}},
      {"quillomark-disasm", {"--origin ADDRESS", "--count N", "--source", "--help", "--version"}, ""},
      {"quillomark-pack", {"--no-palette", "--help", "--version"}, ""},
      {"quillomark-check-m68000", {"--objdump PROGRAM", "--stamp FILE", "--help", "--version"}, ""},
  };
  const std::string dir = makeScratchDir("programs-help");
  for (const auto& program : programs) {
    if (!built(program.name))
      continue;
    const std::string path = quoted(besideHeadless(program.name));
    EXPECT_EQ(runIn(dir, path + " " + program.before + "--help >out.txt 2>err.txt"), EXIT_CODE_HELP) << program.name;
    const std::string usage = text(dir + "/out.txt");
    // At the very start: the core's banner was not printed before it.
    EXPECT_EQ(usage.rfind(std::string("usage: ") + program.name + " ", 0), 0u) << usage;
    for (const std::string& option : program.options)
      EXPECT_NE(usage.find("  " + option + " "), std::string::npos) << program.name << " lists no " << option;
    EXPECT_NE(usage.find("Exit codes: 0 "), std::string::npos) << usage;
    EXPECT_EQ(text(dir + "/err.txt"), "") << program.name;
    EXPECT_EQ(runIn(dir, path + " --version >out.txt 2>err.txt"), EXIT_CODE_HELP) << program.name;
    EXPECT_EQ(text(dir + "/out.txt"), std::string(program.name) + " " + QUILLOMARK_VERSION + "\n");
  }
}

TEST(Programs, HeadlessRefusesInputsThatAreNotScriptsOrLogs) {
  const std::string dir = makeScratchDir("programs-inputs");
  ASSERT_EQ(runIn(dir, "mkdir folder"), 0);
  writeText(dir + "/k.txt", "1 down LEFT\n2 down LFT\n");
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"--keys folder", "key script folder is not a regular file"},
      {"--replay folder", "input log folder is not a regular file"},
      {"--replay /dev/zero", "input log /dev/zero is not a regular file"},
      {"--load-state /dev/zero", "save state /dev/zero is not a regular file"},
      {"--replay missing.bin", "cannot open input log missing.bin: "},
      {"--keys k.txt", "k.txt:2: unknown key 'LFT': expected a key name"},
      {"--frames", "--frames needs a positive number"},
      {"--symbols k.txt", "cannot read symbols from k.txt: not an ELF file"},
      {"--symbols folder", "cannot read symbols from folder: not a regular file"},
      {"--break main", "--break main: a function name needs --symbols ELF"},
      {"--gdb 65536", "--gdb needs a port (0 to 65535"},
      {"--gdb ' 5'", "--gdb needs a port (0 to 65535"},
      {"--gdb 127.0.0.1:5x", "--gdb needs a port (0 to 65535"},
      {"--gdb localhost:0", "--gdb: 'localhost' is no IPv4 address"},
      {"--gdb 192.0.2.1:0", "cannot listen for gdb on 192.0.2.1:0: "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(runIn(dir, quoted(QUILLOMARK_HEADLESS) + " " + c.args + " >out.txt 2>err.txt"), EXIT_CODE_USAGE)
        << c.args;
    EXPECT_EQ(text(dir + "/err.txt").rfind(std::string("quillomark-headless: ") + c.message, 0), 0u)
        << c.args << ": " << text(dir + "/err.txt");
  }
}

#ifdef QUILLOMARK_DEMO_DIR
std::string copyDemo(const std::string& name) {
  const std::string dir = makeScratchDir(name);
  EXPECT_EQ(runIn(dir, "cp '" + std::string(QUILLOMARK_DEMO_DIR) + "'/*.bin '" + QUILLOMARK_DEMO_DIR + "'/pal.bmp ."), 0);
  return dir;
}

TEST(Programs, HundredThousandMessagesRunQuickly) {
  constexpr int MESSAGES = 100000;
  constexpr double BOUND_SECONDS = 10;
  // Each script ends pass 1 with Left released and holds it on pass 2.
  std::string onePass, backwards;
  for (int i = 0; i < MESSAGES / 2; ++i)
    onePass += "1 down LEFT\n1 up LEFT\n";
  onePass += "2 down LEFT\n";
  for (int pass = MESSAGES; pass > 2; --pass)
    backwards += std::to_string(pass) + " down LEFT\n";
  backwards += "2 down LEFT\n1 down LEFT\n1 up LEFT\n";
  const struct { const char* name; const std::string& script; } cases[] = {
      {"on pass 1", onePass}, {"on passes counting down", backwards}};
  const std::string dir = copyDemo("programs-many");
  for (const auto& c : cases) {
    writeText(dir + "/k.txt", c.script);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(runIn(dir, quoted(QUILLOMARK_HEADLESS) + " --frames 2 --keys k.txt >out.txt 2>err.txt"), EXIT_CODE_END)
        << text(dir + "/err.txt");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%d messages %s: %.3f s\n", MESSAGES, c.name, seconds);
    EXPECT_LT(seconds, BOUND_SECONDS) << c.name;
    // Delivered in order: Left released at the end of pass 1, held on pass 2.
    const std::vector<uint8_t> keys = readFile(dir + "/keys.bin");
    ASSERT_EQ(keys.size(), 4u) << c.name;
    EXPECT_NE(keys[0], keys[2]) << c.name;
  }
}

TEST(Programs, ReplayOfALogLongerThanAStdioBufferFromItsOwnFolder) {
  constexpr int PASSES = 2100; // 4,200 bytes of log
  constexpr size_t STDIO_BUFFER = 4096;
  const std::string dir = copyDemo("programs-long-replay");
  writeText(dir + "/k.txt", "5 down LEFT\n6 up LEFT\n2060 down LEFT\n2090 up LEFT\n2070 down SPACE\n2072 up SPACE\n");
  const std::string run = quoted(QUILLOMARK_HEADLESS) + " --frames " + std::to_string(PASSES);
  ASSERT_EQ(runIn(dir, run + " --keys k.txt --digests recorded.txt >out.txt 2>err.txt"), EXIT_CODE_END);
  const std::vector<uint8_t> keys = readFile(dir + "/keys.bin"), dump = readFile(dir + "/dump.bin");
  ASSERT_EQ(keys.size(), 2u * PASSES);
  EXPECT_NE(keys[2 * 2065], keys[2 * 2095]) << "the presses past the first 4 KiB reached the log";
  ASSERT_GT(keys.size(), STDIO_BUFFER);
  ASSERT_EQ(runIn(dir, "mv dump.bin recorded.bin"), 0);

  // The log replayed is the keys.bin the replay itself writes.
  ASSERT_EQ(runIn(dir, run + " --replay keys.bin --digests replayed.txt >out.txt 2>err.txt"), EXIT_CODE_END);
  EXPECT_EQ(readFile(dir + "/keys.bin"), keys);
  EXPECT_TRUE(readFile(dir + "/dump.bin") == dump) << "dump.bin differs";
  const std::string digests = text(dir + "/recorded.txt");
  EXPECT_EQ(std::count(digests.begin(), digests.end(), '\n'), PASSES);
  EXPECT_EQ(text(dir + "/replayed.txt"), digests);
}
#endif

TEST(Programs, TheFolderArgumentHoldsTheRunWhileOptionPathsStayWhereTheyWere) {
  const std::string dir = makeScratchDir("programs-folder");
  ASSERT_EQ(runIn(dir, "mkdir roms"), 0);
  writeRomSet(dir + "/roms", idleProgram());
  writeText(dir + "/k.txt", "2 down F12\n");
  EXPECT_EQ(runIn(dir, quoted(QUILLOMARK_HEADLESS) +
                           " --frames 3 --keys k.txt --digests d.txt --save-state 2 s.qms roms >out.txt 2>err.txt"),
            EXIT_CODE_END)
      << text(dir + "/err.txt");
  for (const char* file : {"roms/keys.bin", "roms/dump.bin", "roms/vortane.bmp", "d.txt", "s.qms"})
    EXPECT_FALSE(readFile(dir + "/" + file).empty()) << file;
  for (const char* file : {"keys.bin", "dump.bin", "roms/d.txt", "roms/s.qms"})
    EXPECT_TRUE(readFile(dir + "/" + file).empty()) << file;
  // A word that names no folder is refused by both programs, before anything starts.
  for (const char* program : {"quillomark-headless", "quillomark"}) {
    if (!built(program))
      continue;
    EXPECT_EQ(runIn(dir, quoted(besideHeadless(program)) + " k.txt >out.txt 2>err.txt"), EXIT_CODE_USAGE) << program;
    EXPECT_EQ(text(dir + "/err.txt"), std::string(program) + ": k.txt is not a folder: Not a directory\n");
    EXPECT_EQ(text(dir + "/out.txt"), "") << program;
  }
  // A refused folder is found before any output is opened: an earlier trace stays whole.
  writeText(dir + "/t.txt", "earlier trace\n");
  EXPECT_EQ(runIn(dir, quoted(QUILLOMARK_HEADLESS) + " --trace t.txt no-such-folder >out.txt 2>err.txt"),
            EXIT_CODE_USAGE);
  EXPECT_EQ(text(dir + "/t.txt"), "earlier trace\n");
}

// The banner is the desktop program's first output, the settings' messages after it: on a first run,
// which writes the defaults, and with a line not used, which ends the run no differently (here at
// the missing ROM set).
TEST(Programs, TheDesktopBannerComesBeforeTheSettingsMessages) {
  if (!DESKTOP_BUILT)
    GTEST_SKIP() << "no desktop program in this build";
  const std::string banner = captureStdout(printBanner);
  const std::string dir = makeScratchDir("programs-banner");
  const std::string file = dir + "/config/quillomark/settings.toml";
  const struct {
    const char* settings; // null: no file yet
    std::string said;
  } cases[] = {
      {nullptr, "Wrote the default settings to " + file + "\n"},
      {"[keys]\nfire = [\"Nokey\"]\n", "quillomark: " + file + ": line 2: no key named Nokey\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    if (c.settings)
      writeText(file, c.settings);
    EXPECT_EQ(runIn(dir, "env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME=" + quoted(dir + "/config") + " " +
                             quoted(besideHeadless("quillomark")) + " >out.txt 2>&1"),
              EXIT_CODE_END);
    const std::string out = text(dir + "/out.txt");
    EXPECT_EQ(out.rfind(banner, 0), 0u) << out;
    EXPECT_EQ(out.find(c.said), banner.size()) << out;
  }
}

// A ROM set's folder the user cannot write (an installed set): the set is read there, the run's files
// go to the user's data folder for the set, said once; both the XDG and the default folder. Root
// writes everywhere, so it runs the program as nobody.
TEST(Programs, AReadOnlySetFolderSendsTheRunsFilesToTheUsersDataFolder) {
  const std::string dir = makeScratchDir("programs-read-only");
  ASSERT_EQ(runIn(dir, "mkdir demo"), 0);
  writeRomSet(dir + "/demo", idleProgram());
  writeText(dir + "/k.txt", "2 down F12\n");
  ASSERT_EQ(runIn(dir, "chmod 0777 . && chmod 0555 demo"), 0);
  const std::string asUser = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const struct {
    std::string environment;
    const char* folder; // the run's folder under dir
  } cases[] = {{"XDG_DATA_HOME=" + dir + "/data", "data/quillomark/demo"},
               {"-u XDG_DATA_HOME HOME=" + dir + "/home", "home/.local/share/quillomark/demo"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.environment);
    EXPECT_EQ(runIn(dir, "env " + c.environment + " " + asUser + quoted(QUILLOMARK_HEADLESS) +
                             " --frames 3 --keys k.txt demo >out.txt 2>err.txt"),
              EXIT_CODE_END)
        << text(dir + "/err.txt");
    const std::string note = "Writing the run's files to " + dir + "/" + c.folder + ": " + dir + "/demo is not writable\n";
    const std::string out = text(dir + "/out.txt");
    EXPECT_NE(out.find(note), std::string::npos) << out;
    EXPECT_EQ(out.find(note), out.rfind(note)) << "said more than once";
    for (const char* file : {"keys.bin", "dump.bin", "vortane.bmp"}) {
      EXPECT_FALSE(readFile(dir + "/" + c.folder + "/" + file).empty()) << file;
      EXPECT_FALSE(std::filesystem::exists(dir + "/demo/" + file)) << file;
    }
  }
}

// What a run was asked to do and did not: said at the end, a state never written counting as a failed
// file (exit code 4).
TEST(Programs, TheEndSaysWhatWasAskedForAndNotDone) {
  const std::string dir = makeScratchDir("programs-undone");
  writeRomSet(dir, idleProgram());
  const struct {
    const char* options;
    int code;
    const char* out; // a line of standard output, or null
    const char* err; // standard error
  } cases[] = {
      // The frame interrupt at 0x500 stops the run after pass 1, before the state of pass 3.
      {"--break 0x500 --save-state 3 s.qms", EXIT_CODE_WRITE_FAILED, "Breakpoint at 00000500 in pass 1\n",
       "No state written to ", },
      {"--frames 2 --break 0x600", EXIT_CODE_END, "No breakpoint reached in 2 passes\n", ""},
      {"--frames 2 --trace t.txt --trace-from 5", EXIT_CODE_END,
       "No instruction traced: the run ended after 2 passes, and the trace begins after pass 5\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    EXPECT_EQ(runIn(dir, quoted(QUILLOMARK_HEADLESS) + " " + c.options + " >out.txt 2>err.txt"), c.code);
    EXPECT_NE(text(dir + "/out.txt").find(c.out), std::string::npos) << text(dir + "/out.txt");
    EXPECT_EQ(text(dir + "/err.txt").rfind(c.err, 0), 0u) << text(dir + "/err.txt");
    EXPECT_FALSE(std::filesystem::exists(dir + "/s.qms"));
  }
}

} // namespace
