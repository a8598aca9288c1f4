#include <gtest/gtest.h>

#include <string>

#include "platform/headless/headless.h"
#include "support/test_support.h"

namespace {

TEST(KeyNames, NamesAndCodesInAnyCase) {
  const struct { const char* name; uint32_t code; } cases[] = {
      {"LEFT", 0x25}, {"RIGHT", 0x27}, {"UP", 0x26}, {"DOWN", 0x28}, {"ENTER", 0x0D}, {"SHIFT", 0x10},
      {"SPACE", 0x20}, {"CTRL", 0x11}, {"ALT", 0x12}, {"ESC", 0x1B}, {"TAB", 0x09}, {"F1", 0x70},
      {"F12", 0x7B}, {"0", 0x30}, {"7", 0x37}, {"A", 0x41}, {"Z", 0x5A}, {"0x25", 0x25}, {"37", 37}, {"0x7b", 0x7B},
      {"left", 0x25}, {"Esc", 0x1B}, {"f12", 0x7B}, {"a", 0x41}, {"z", 0x5A}, {"f", 0x46}, {"0X25", 0x25}};
  for (const auto& c : cases) {
    uint32_t code = 0;
    EXPECT_TRUE(parseKeyName(c.name, &code)) << c.name;
    EXPECT_EQ(code, c.code) << c.name;
  }
  for (const char* bad : {"F0", "F13", "f13", "LFT", "0x", "-1", "256", "LEFTX", "", "0x1FF", "F1x", "\xE9"}) {
    uint32_t code = 0;
    EXPECT_FALSE(parseKeyName(bad, &code)) << bad;
  }
}

TEST(KeyScript, KeepsFileOrderWithinAPass) {
  freshMachine();
  const std::string dir = makeScratchDir("script");
  const std::string text = "# comment line\n2 down LEFT\n\n1 Activate 0   # trailing comment\n2 UP left\n1 down f12";
  writeFile(dir + "/k.txt", std::vector<uint8_t>(text.begin(), text.end()));
  char message[256] = "";
  ASSERT_TRUE(loadKeyScript((dir + "/k.txt").c_str(), message, sizeof message)) << message;
  const auto& s = headlessPlatform.script;
  ASSERT_EQ(s.size(), 4u);
  const ScriptedMessage expected[] = {
      {1, MSG_ACTIVATEAPP, 0}, {1, MSG_KEYDOWN, 0x7B}, {2, MSG_KEYDOWN, 0x25}, {2, MSG_KEYUP, 0x25}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(s[i].pass, expected[i].pass) << i;
    EXPECT_EQ(s[i].message, expected[i].message) << i;
    EXPECT_EQ(s[i].wParam, expected[i].wParam) << i;
  }
}

TEST(KeyScript, ErrorNamesLineTokenAndWhatWasExpected) {
  const std::string longComment = "#" + std::string(300, 'x') + " 5 down F12";
  const struct { std::string line, message; } cases[] = {
      {"1 press LEFT", "unknown action 'press': expected down, up or activate"},
      {"0 down LEFT", "bad pass '0': expected a pass number from 1"},
      {"x down LEFT", "bad pass 'x'"},
      {"1", "nothing after the pass: expected 'PASS down|up KEY' or 'PASS activate 0|1'"},
      {"1 down", "missing key after 'down': expected a key name"},
      {"1 down LFT", "unknown key 'LFT': expected a key name (LEFT, F1..F12, A..Z, 0..9, ...) or a code"},
      {"1 down LEFT extra", "unexpected 'extra' after the key"},
      {"1 activate 2", "unknown state '2': expected 0 or 1"},
      {"1 activate", "missing state after 'activate'"},
      // Too long for the line buffer: its tail must not run as a command.
      {longComment, "line longer than 255 bytes"},
      {std::string("1 down A\0 2 down B", 19), "NUL byte in the line"},
  };
  for (const auto& c : cases) {
    freshMachine();
    const std::string dir = makeScratchDir("script-bad");
    const std::string text = "1 down UP\n" + c.line + "\n3 down F11\n";
    writeFile(dir + "/k.txt", std::vector<uint8_t>(text.begin(), text.end()));
    char message[512] = "";
    EXPECT_FALSE(loadKeyScript((dir + "/k.txt").c_str(), message, sizeof message)) << c.line;
    EXPECT_TRUE(headlessPlatform.script.empty()) << "a refused script queues nothing: " << c.line;
    EXPECT_EQ(std::string(message).rfind(dir + "/k.txt:2: " + c.message, 0), 0u) << message;
  }
  const std::string dir = makeScratchDir("script-bad");
  for (const std::string& path : {std::string("/nonexistent/keys.txt"), dir}) {
    char message[512] = "";
    EXPECT_FALSE(loadKeyScript(path.c_str(), message, sizeof message)) << path;
    EXPECT_NE(std::string(message).find("key script " + path), std::string::npos) << message;
  }
}

TEST(HeadlessPicture, DigestCoversOnlyTheVisibleWindow) {
  static uint8_t picture[320 * 240];
  memset(picture, 0, sizeof picture);
  const uint64_t blank = pictureDigest(picture, 320);
  picture[0] = 9; // border column: not part of the picture
  picture[319] = 9;
  EXPECT_EQ(pictureDigest(picture, 320), blank);
  picture[239 * 320 + 287] = 1; // last visible pixel
  EXPECT_NE(pictureDigest(picture, 320), blank);
  // FNV-1a of 61440 zero bytes, computed independently of the row walk.
  uint64_t expected = 0xcbf29ce484222325ull;
  for (int i = 0; i < 256 * 240; ++i) expected *= 0x100000001b3ull;
  EXPECT_EQ(blank, expected);
}

} // namespace
