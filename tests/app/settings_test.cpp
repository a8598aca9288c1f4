// The desktop programs' settings: what each line does to the keys, the pad and the display, and
// the controls list that shows the keys as bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/settings.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/key_map.h"
#include "host/on_screen.h"
#include "host/window_proc.h"
#include "platform/headless/headless.h"
#include "support/test_support.h"

namespace {

std::vector<int> problemLines() {
  std::vector<int> lines;
  for (const std::string& problem : settings.problems)
    lines.push_back(atoi(problem.c_str() + strlen("line ")));
  return lines;
}

// The player input byte while key is down, and whether it paused the machine.
std::pair<uint8_t, bool> press(uint32_t key, intptr_t lParam) {
  machineMemory[PLAYER_INPUTS_ADDRESS] = 0;
  hostControls.paused = false;
  windowProc(nullptr, MSG_KEYDOWN, key, lParam);
  const std::pair<uint8_t, bool> seen = {machineMemory[PLAYER_INPUTS_ADDRESS], hostControls.paused};
  windowProc(nullptr, MSG_KEYUP, key, lParam | KEY_WAS_DOWN);
  return seen;
}

// Every line takes effect, or is reported once with its number and its setting keeps its default.
TEST(Settings, LinesTakeEffectOrAreReportedOnceKeepingTheirDefault) {
  freshMachine();
  readSettingsText("[keys]\n"
                   "left = [\"A\"]\n"       // 2: A moves left, Left no longer
                   "fire = [\"Nokey\"]\n"   // 3: reported; fire keeps its keys
                   "pause = [\"Space\"]\n"  // 4: Space leaves fire, whose keys are the defaults
                   "rewind = [\"A\"]\n"     // 5: reported, A is left's since line 2
                   "left = [\"Z\"]\n"       // 6: reported, set on line 2
                   "fire = [\"Enter\",\n"   // 7: reported, one setting a line
                   "[gamepad]\n"
                   "controls = \"Y\"\n"     // 9: a lone name; Back no longer shows the controls
                   "[display]\n"
                   "scale = 9\n"            // 11: reported
                   "window = true\r\n"   // a Windows line end
                   "[mouse]\n"              // 13: reported once, its settings unread
                   "speed = 3\n"
                   "[keys]\n"
                   "right = [\"d\", \"RIGHT\"]\n" // names in any case
                   "[gamepad]\n"
                   "button2 = [\"b\", \"rightshoulder\"]\n");
  EXPECT_EQ(problemLines(), (std::vector<int>{3, 5, 6, 7, 11, 13}));
  EXPECT_NE(settings.problems[1].find("A is already set for left on line 2"), std::string::npos);
  EXPECT_TRUE(settings.window);
  EXPECT_EQ(settings.scale, WINDOW_START_SCALE);
  applyKeyMap();
  struct Case {
    uint32_t key;
    intptr_t lParam;
    uint8_t port;
    bool paused;
  } cases[] = {
      {VKEY_A, 0, INPUT_LEFT, false},      {VKEY_LEFT, 0, 0, false},
      {VKEY_A + ('D' - 'A'), 0, INPUT_RIGHT, false},   {VKEY_RIGHT, 0, INPUT_RIGHT, false},
      {VKEY_RETURN, 0, INPUT_FIRE, false}, {VKEY_SPACE, 0, 0, true},
      {VKEY_LEFT, KEY_FROM_GAMEPAD, INPUT_LEFT, false}, // a pad's key is already the action's
  };
  for (const Case& c : cases)
    EXPECT_EQ(press(c.key, c.lParam), std::make_pair(c.port, c.paused)) << "key " << c.key;
  EXPECT_EQ(headlessPlatform.padKeys[GAMEPAD_Y], VKEY_H);
  EXPECT_EQ(headlessPlatform.padKeys[GAMEPAD_BACK], 0u);
  EXPECT_EQ(headlessPlatform.padKeys[GAMEPAD_A], VKEY_SPACE);
  EXPECT_EQ(headlessPlatform.padKeys[GAMEPAD_RIGHT_SHOULDER], VKEY_MENU);
  // The controls list names the keys as bound, and goes on the second H.
  windowProc(nullptr, MSG_KEYDOWN, VKEY_H, 0);
  EXPECT_NE(headlessPlatform.panel.find("\nMove          A D Right Up Down\n"), std::string::npos) << headlessPlatform.panel;
  EXPECT_NE(headlessPlatform.panel.find("\nPause         Space\n"), std::string::npos);
  EXPECT_TRUE(headlessPlatform.panel.ends_with("\nQuit          Alt+F4 or close it\n")) << headlessPlatform.panel;
  windowProc(nullptr, MSG_KEYUP, VKEY_H, KEY_WAS_DOWN);
  windowProc(nullptr, MSG_KEYDOWN, VKEY_H, 0);
  EXPECT_EQ(headlessPlatform.panel, "");
}

// A line the parser cannot take, or must not see, is refused saying why; bytes past ASCII stay in
// quotes and comments, and only a line starting with [ changes the section.
TEST(Settings, LinesThatCannotBeReadSayWhatIsWrongAndWhere) {
  const struct {
    const char* text;
    std::vector<std::string> problems;
  } cases[] = {
      {"[keys]\nfire = [\"A\"] \xC3\xA9\n", {"line 2: character 14 is not ASCII: only text in quotes and comments may have others"}},
      {"\xC3\xA9 = 1\n", {"line 1: character 1 is not ASCII: only text in quotes and comments may have others"}},
      {"a = \"\"\"x\"\"\"\"\xC3\xA9\"\n", {"line 1: character 13 is not ASCII: only text in quotes and comments may have others"}},
      {"[keys]\nfire = 2x\"\"\"\xC3\xA9\"\n", {"line 2: character 13 is not ASCII: only text in quotes and comments may have others"}},
      {"[keys] # caf\xC3\xA9\nfire = [\"\xC3\xA9\"]\n", {"line 2: no key named \xC3\xA9"}},
      {"[[\x01se.y]\n", {"line 1: character 3 is a control character (code 1)"}}, // asserts in the parser
      {"[keys]\nfire = [\"A\", }\n", {"line 2: character 14, }: no setting takes a table"}}, // asserts too
      {"[display]\nscale = [2000-01-01 1]\n", {"line 2: character 14, -: no setting takes a date, a time or such a number"}},
      {"[display]\nscale = 0!-1 2\n", {"line 2: character 11, -: no setting takes a date, a time or such a number"}},
      {"[display]\nscale = -1\n", {"line 2: scale wants a whole number from 1 to 8"}},
      {"[keys]\nfire = [\"\"\"d\\\xEF\xBA\xBF\"\"\"]\n", {"line 2: character 13, \\, stands before one past ASCII"}},
      {"[keys]\nfire = \"\"\"d\\ \xCF\xAB\n", {"line 2: character 12, \\, stands before one past ASCII"}},
      {"[ = keys]\n", {"line 1: a section's name is one word in brackets, such as [keys]"}},   // asserts too
      {"\xEF\xBB\xBF[keys]\nfire = [\"A\"]\n", {}}, // a byte order mark
      {"[keys]\nfire = [\"Enter\",\n", {"line 2: the list wants its ] on this line: one setting a line"}},
      {"[keys\nfire = [\"A\"]\n", {"line 1: the section's name wants its ] on this line", "line 2: fire is in no section"}},
      {"[keys]\nfire = \"Enter\n", {"line 2: the text in quotes wants its closing \" on this line"}},
      {"[keys]\nfire =\n", {"line 2: the line ends before its setting does: one setting a line, as name = value"}},
      {"[keys]\nfire.x = 1\nleft = 2\n",
       {"line 2: a setting is a name, = and a value, such as window = true",
        "line 3: left wants a list of key names, such as [\"Space\"]"}},
  };
  for (const auto& c : cases) {
    freshMachine();
    readSettingsText(c.text);
    EXPECT_EQ(settings.problems, c.problems) << c.text;
  }
}

// Past LISTED_SETTINGS_PROBLEMS lines not used are counted: the console names the first ones and says
// how many more, the picture names the first and how many more.
TEST(Settings, ManyLinesNotUsedAreCountedPastTheFirst) {
  constexpr int UNLISTED = 5;
  freshMachine();
  const std::string folder = makeScratchDir("settings-many");
  const std::string before = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  const std::string path = settingsPath();
  std::string text;
  for (int i = 0; i < LISTED_SETTINGS_PROBLEMS + UNLISTED; ++i)
    text += "nowhere = 1\n";
  EXPECT_TRUE(writeFile(path, std::vector<uint8_t>(text.begin(), text.end())));
  const std::string printed = captureStderr(loadSettings);
  if (before.empty())
    unsetenv("XDG_CONFIG_HOME");
  else
    setenv("XDG_CONFIG_HOME", before.c_str(), 1);
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), LISTED_SETTINGS_PROBLEMS + 1) << printed;
  EXPECT_NE(printed.find("quillomark: " + path + ": line 1: nowhere is in no section\n"), std::string::npos);
  EXPECT_EQ(printed.substr(printed.rfind('\n', printed.size() - 2) + 1),
            "quillomark: " + path + ": " + std::to_string(UNLISTED) + " more lines not used\n");
  char line[OVERLAY_TEXT_SIZE];
  describeSettingsProblems(line, sizeof line);
  const std::string more = " (+" + std::to_string(LISTED_SETTINGS_PROBLEMS + UNLISTED - 1) + " more)";
  EXPECT_EQ(std::string(line).rfind("Settings line 1: nowhere"), 0u) << line;
  EXPECT_EQ(std::string(line).substr(strlen(line) - more.size()), more) << line;
}

// The file written on the first run reads back as the defaults, without a problem.
TEST(Settings, DefaultFileReadsBackAsTheDefaults) {
  freshMachine();
  readSettingsText(defaultSettingsText());
  EXPECT_EQ(settings.problems, std::vector<std::string>{});
  applyKeyMap();
  for (int key = 0; key < KEY_CODES; ++key)
    ASSERT_EQ(translateKey(uint32_t(key), 0), uint32_t(key)) << "key " << key;
  for (int b = 0; b < GAMEPAD_BUTTON_COUNT; ++b)
    EXPECT_EQ(headlessPlatform.padKeys[b], GAMEPAD_DEFAULT_KEYS[b]) << gamepadButtonName(GamepadButton(b));
  EXPECT_FALSE(settings.window);
}

// The views action has no key until the settings give it one; the headless program has no views
// window and says so, the key reaching neither the board nor the pause.
TEST(Settings, TheViewsActionTakesOnlyTheKeyTheSettingsGiveIt) {
  freshMachine();
  for (const char* text : {"", "[keys]\nviews = [\"F10\"]\n"}) {
    readSettingsText(text);
    applyKeyMap();
    const bool bound = *text != 0;
    onScreen.message = nullptr;
    EXPECT_EQ(press(VKEY_F1 + 9, 0), std::make_pair(uint8_t(0), false));
    EXPECT_EQ(onScreen.message == NO_VIEWS_TEXT, bound) << text;
    char list[PANEL_TEXT_SIZE];
    describeControls(list, sizeof list);
    EXPECT_NE(std::string(list).find(bound ? "\nViews         F10\n" : "\nViews         no key\n"), std::string::npos)
        << list;
  }
}

} // namespace
