// A start-up failure reaches the message box through the backend when nobody sees the console, with
// the console's line as it always was.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <string>

#include "app/program.h"
#include "driver/rom_loader.h"
#include "host/core.h"
#include "platform/headless/headless.h"
#include "support/test_support.h"

namespace {

TEST(StartFailure, ShownInAMessageBoxWhenNoTerminalSeesTheConsoleAndDialogsAreOn) {
  char missingRom[CORE_MESSAGE_SIZE];
  snprintf(missingRom, sizeof missingRom, ROM_MISSING_FORMAT, ROM_LOADS[0].fileName);
  const struct {
    const char* name;
    bool romSet, palette;     // files in the folder
    bool displayFails;
    bool terminal;
    const char* noDialogs;    // QUILLOMARK_NO_DIALOGS, null: not set
    const char* line;         // the failure's console line
    bool shown, folderNamed;
  } cases[] = {
      {"no ROM set", false, false, false, false, nullptr, missingRom, true, true},
      {"no pal.bmp, the variable 0", true, false, false, false, "0", "Cannot read the 256 colours of pal.bmp", true,
       true},
      {"no display, the variable empty", true, true, true, false, "", "Direct draw failed to initialize", true, false},
      {"a terminal", false, false, false, true, nullptr, missingRom, false, false},
      {"dialogs off", false, false, false, false, "1", missingRom, false, false},
  };
  const char* outer = getenv(NO_DIALOGS_VARIABLE);
  const std::string kept = outer ? outer : "";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = makeScratchDir("start-failure");
    if (c.romSet)
      writeRomSet(dir, idleProgram());
    if (!c.palette)
      std::filesystem::remove(dir + "/pal.bmp");
    freshMachine();
    headlessPlatform.terminal = c.terminal;
    if (c.displayFails)
      headlessFail(STEP_CREATE_DISPLAY, PLATFORM_FAILED, 1);
    if (c.noDialogs)
      setenv(NO_DIALOGS_VARIABLE, c.noDialogs, 1);
    else
      unsetenv(NO_DIALOGS_VARIABLE);
    char program[] = "quillomark";
    char* argv[] = {program, nullptr};
    std::string out;
    ASSERT_TRUE(inDirectory(dir, [&] { out = captureStdout([&] { EXPECT_FALSE(startQuillomark(1, argv)); }); }));
    const std::string line = std::string(c.line) + "\n";
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), line.size())), line) << out;
    ASSERT_EQ(headlessPlatform.failuresShown, c.shown ? 1u : 0u);
    if (!c.shown)
      continue;
    EXPECT_STREQ(headlessPlatform.failureTitle.c_str(), FAILURE_TITLE);
    const std::string& text = headlessPlatform.failureText;
    EXPECT_EQ(text.rfind(c.line, 0), 0u) << text;
    const std::string folder = std::filesystem::canonical(dir).string();
    EXPECT_EQ(text.find("\n" + folder + "\n") != std::string::npos, c.folderNamed) << text;
    EXPECT_EQ(text.find("as an argument") != std::string::npos, c.folderNamed) << text;
  }
  if (outer)
    setenv(NO_DIALOGS_VARIABLE, kept.c_str(), 1);
  else
    unsetenv(NO_DIALOGS_VARIABLE);
}

TEST(StartFailure, TheBoxNamesTheInstalledDemoOnceThereIsOne) {
  char text[FAILURE_TEXT_SIZE];
  describeStartFailure("Failed", true, "/here", "", text, sizeof text);
  const std::string without = text;
  EXPECT_EQ(without.find("demo"), std::string::npos) << without;
  describeStartFailure("Failed", true, "/here", "/usr/share/quillomark/demo", text, sizeof text);
  EXPECT_EQ(text, without + "\nThe demo is installed in /usr/share/quillomark/demo.");
  describeStartFailure("Direct draw failed to initialize", false, "/here", "/demo", text, sizeof text);
  EXPECT_STREQ(text, "Direct draw failed to initialize");
}

} // namespace
