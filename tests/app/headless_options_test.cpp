// quillomark-headless's command line: every option read, every bad one named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/headless_options.h"

namespace {

TEST(HeadlessOptions, Accepted) {
  char a0[] = "q", a1[] = "--frames", a2[] = "12", a3[] = "--keys", a4[] = "k.txt", a5[] = "--stats", a6[] = "-640",
       a7[] = "--digests", a8[] = "d.txt", a9[] = "--replay", a10[] = "r.bin";
  char* argv[] = {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10};
  HeadlessOptions options;
  char message[128] = "";
  ASSERT_TRUE(parseHeadlessOptions(11, argv, &options, message, sizeof message)) << message;
  EXPECT_EQ(options.frames, 12u);
  EXPECT_STREQ(options.keysPath, "k.txt");
  EXPECT_STREQ(options.digestsPath, "d.txt");
  EXPECT_STREQ(options.replayPath, "r.bin");
  EXPECT_TRUE(options.stats);
  EXPECT_TRUE(options.wide);
  EXPECT_EQ(options.folder, nullptr);
  EXPECT_EQ(options.traceFrom, 1u);
  EXPECT_EQ(options.traceLimit, 1000000u);
}

TEST(HeadlessOptions, TraceBreakpointsAndFolder) {
  std::vector<std::string> storage = {"q",  "--trace", "t.txt", "--trace-from", "0", "--trace-limit", "50",
                                      "--break", "0xA34", "roms", "--break", "4096", "--break", "main",
                                      "--symbols", "p.elf", "--gdb", "127.0.0.1:0"};
  std::vector<char*> argv;
  for (std::string& s : storage) argv.push_back(s.data());
  HeadlessOptions options;
  char message[128] = "";
  ASSERT_TRUE(parseHeadlessOptions(int(argv.size()), argv.data(), &options, message, sizeof message)) << message;
  EXPECT_STREQ(options.tracePath, "t.txt");
  EXPECT_EQ(options.traceFrom, 0u);
  EXPECT_EQ(options.traceLimit, 50u);
  EXPECT_EQ(options.breakpoints, (std::vector<uint32_t>{0xA34, 4096}));
  EXPECT_STREQ(options.folder, "roms");
  ASSERT_EQ(options.breakNames.size(), 1u);
  EXPECT_STREQ(options.breakNames[0], "main");
  EXPECT_STREQ(options.symbolsPath, "p.elf");
  EXPECT_STREQ(options.gdbWhere, "127.0.0.1:0");
}

TEST(HeadlessOptions, HelpAndVersionStopTheParse) {
  const struct { const char* arg; ProgramInfo info; } cases[] = {{"--help", INFO_HELP}, {"--version", INFO_VERSION}};
  for (const auto& c : cases) {
    char a0[] = "q", a1[] = "--frames", a2[] = "3", a4[] = "--bogus";
    std::string a3 = c.arg;
    char* argv[] = {a0, a1, a2, a3.data(), a4};
    HeadlessOptions options;
    char message[128] = "";
    ASSERT_TRUE(parseHeadlessOptions(5, argv, &options, message, sizeof message)) << message;
    EXPECT_EQ(options.info, c.info) << c.arg;
  }
  char a0[] = "q", a1[] = "--keys", a2[] = "--help";
  char* argv[] = {a0, a1, a2};
  HeadlessOptions options;
  char message[128] = "";
  ASSERT_TRUE(parseHeadlessOptions(3, argv, &options, message, sizeof message)) << message;
  EXPECT_EQ(options.info, INFO_NONE) << "a file named --help";
  EXPECT_STREQ(options.keysPath, "--help");
}

TEST(HeadlessOptions, RejectedWithTheArgumentNamed) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"}, {"--HELP"}, {"-help"}, {"-641"}, {"--frames"}, {"--frames", "0"}, {"--frames", "x"}, {"--keys"}, {"--replay"}, {"-"},
      {"--trace"}, {"--trace-limit", "0"}, {"--break", "0x"}, {"--break"}, {"--break", "9main"}, {"second", "folder"},
      {"--frames", " 3"}, {"--frames", "+3"}, {"--frames", "5", "--save-state", "6", "s"},
      {"--save-state", "9", "s", "--frames", "8"}, {"--gdb"}, {"--symbols"}, {"--save-state", "1", "a", "--save-state", "2", "b"}};
  for (const auto& args : cases) {
    std::vector<std::string> storage = {"q"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    HeadlessOptions options;
    char message[128] = "";
    EXPECT_FALSE(parseHeadlessOptions(int(argv.size()), argv.data(), &options, message, sizeof message)) << args[0];
    EXPECT_NE(std::string(message).find(args.back() == "folder" ? "folder" : args[0]), std::string::npos) << message;
  }
}

} // namespace
