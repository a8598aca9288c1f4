// The programs' start-up (src/app/program.cpp): the options, the banner and a start-up failure's
// message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "driver/frame_loop.h"
#include "platform/headless/headless.h"
#include "support/test_support.h"
#include "video/display.h"

namespace {

TEST(Options, AnExactMinus640SelectsWideModeAndTheLastOfWindowAndFullScreenCounts) {
  const struct { std::vector<std::string> args; bool wide, windowed = false; } cases[] = {
      {{}, false}, {{"-640"}, true}, {{"x", "-640", "y"}, true}, {{"-6400"}, false}, {{"-64"}, false}, {{"--640"}, false},
      {{"-640 "}, false}, {{"--window"}, false, true}, {{"--window", "-640", "--full-screen"}, true, false},
      {{"--full-screen", "--window"}, false, true}, {{"--windowed"}, false, false}, {{"-window"}, false, false}};
  for (const auto& c : cases) {
    frameLoopState = FrameLoopState{};
    displayContext = DisplayContext{};
    std::vector<std::string> storage = {"quillomark"};
    storage.insert(storage.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    EXPECT_EQ(captureStdout([&] { parseOptions(int(argv.size()), argv.data()); }), "");
    EXPECT_EQ(displayContext.wideMode, c.wide) << storage.size();
    EXPECT_EQ(displayContext.windowed, c.windowed) << storage.size();
  }
}

TEST(Banner, EightLinesWithAlignedCredits) {
  const std::string out = captureStdout(printBanner);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(out.substr(start, end - start));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0].rfind("Quillomark arcade emulator (", 0), 0u);
  EXPECT_EQ(lines[0].back(), ')');
  EXPECT_EQ(lines[1], "");
  const char* labels[] = {"Arcade emulator:", "68000 emulator:", "Z80 emulator:", "AY-3-8910 emulator:",
                          "AY emu updated by:"};
  for (int i = 0; i < 5; ++i) {
    const std::string& line = lines[2 + i];
    EXPECT_EQ(line.rfind(labels[i], 0), 0u) << line;
    EXPECT_EQ(line.find_first_not_of(' ', std::string(labels[i]).size()), 26u) << line;
    EXPECT_EQ(line.back(), ')');
  }
  EXPECT_EQ(lines[7], "");
}

// A start-up failure reaches the message box through the backend when nobody sees the console, with
// the console's line as it always was.
TEST(StartFailure, ShownInAMessageBoxWhenNoTerminalSeesTheConsoleAndDialogsAreOn) {
  const char* missing = "Failed to open rom file 18b_d02.bin";
  const struct {
    bool romSet, terminal;
    const char* noDialogs; // QUILLOMARK_NO_DIALOGS, null: not set
    const char* line;      // the console's last line, and the box's first
    bool shown;            // for a ROM set that failed, with the folder and the argument
  } cases[] = {{false, false, nullptr, missing, true},
               {true, false, "0", "Direct draw failed to initialize", true},
               {false, true, "", missing, false},
               {false, false, "1", missing, false}};
  const std::string outer = getenv(NO_DIALOGS_VARIABLE) ? getenv(NO_DIALOGS_VARIABLE) : "";
  for (const auto& c : cases) {
    const std::string dir = makeScratchDir("start-failure");
    if (c.romSet)
      writeRomSet(dir, idleProgram());
    freshMachine();
    headlessPlatform.terminal = c.terminal;
    headlessFail(STEP_CREATE_DISPLAY, PLATFORM_FAILED, 1);
    c.noDialogs ? setenv(NO_DIALOGS_VARIABLE, c.noDialogs, 1) : unsetenv(NO_DIALOGS_VARIABLE);
    char program[] = "quillomark";
    char* argv[] = {program, nullptr};
    std::string out;
    ASSERT_TRUE(inDirectory(dir, [&] { out = captureStdout([&] { EXPECT_FALSE(startQuillomark(1, argv)); }); }));
    EXPECT_TRUE(out.ends_with(std::string("\n").append(c.line).append("\n"))) << out;
    ASSERT_EQ(headlessPlatform.failuresShown, c.shown ? 1u : 0u) << c.line;
    const std::string& text = headlessPlatform.failureText;
    const std::string folder = std::string("\n").append(std::filesystem::canonical(dir).string()).append("\n");
    const bool folderNamed = text.find(folder) != std::string::npos && text.find("as an argument") != std::string::npos;
    EXPECT_TRUE(headlessPlatform.failureTitle == (c.shown ? FAILURE_TITLE : "") && folderNamed == (c.shown && !c.romSet) &&
                text.starts_with(c.shown ? c.line : ""))
        << text;
  }
  setenv(NO_DIALOGS_VARIABLE, outer.c_str(), 1);
  // The installed demo is named once packaging says where it is.
  char text[FAILURE_TEXT_SIZE];
  describeStartFailure(missing, true, "/here", "", text, sizeof text);
  const std::string without = text;
  describeStartFailure(missing, true, "/here", "/opt/demo", text, sizeof text);
  EXPECT_EQ(text, without + "\nThe demo is installed in /opt/demo.");
  EXPECT_EQ(without.find("demo"), std::string::npos);
}

} // namespace
