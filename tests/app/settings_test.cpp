// The desktop programs' settings: what each line does to the keys, the pad and the display, and
// the controls list that shows the keys as bound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/key_map.h"
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
                   "speed = 3\n");
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
      {VKEY_RETURN, 0, INPUT_FIRE, false}, {VKEY_SPACE, 0, 0, true},
      {VKEY_LEFT, KEY_FROM_GAMEPAD, INPUT_LEFT, false}, // a pad's key is already the action's
  };
  for (const Case& c : cases)
    EXPECT_EQ(press(c.key, c.lParam), std::make_pair(c.port, c.paused)) << "key " << c.key;
  EXPECT_EQ(headlessPlatform.padKeys[GAMEPAD_Y], VKEY_H);
  EXPECT_EQ(headlessPlatform.padKeys[GAMEPAD_BACK], 0u);
  EXPECT_EQ(headlessPlatform.padKeys[GAMEPAD_A], VKEY_SPACE);
  // The controls list names the keys as bound, and goes on the second H.
  windowProc(nullptr, MSG_KEYDOWN, VKEY_H, 0);
  EXPECT_NE(headlessPlatform.panel.find("\nMove          A Right Up Down\n"), std::string::npos) << headlessPlatform.panel;
  EXPECT_NE(headlessPlatform.panel.find("\nPause         Space\n"), std::string::npos);
  EXPECT_TRUE(headlessPlatform.panel.ends_with("\nQuit          Alt+F4 or close it\n")) << headlessPlatform.panel;
  windowProc(nullptr, MSG_KEYUP, VKEY_H, KEY_WAS_DOWN);
  windowProc(nullptr, MSG_KEYDOWN, VKEY_H, 0);
  EXPECT_EQ(headlessPlatform.panel, "");
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

} // namespace
