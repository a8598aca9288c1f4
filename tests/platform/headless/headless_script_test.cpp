#include <gtest/gtest.h>

#include <string>

#include "platform/headless/headless.h"
#include "support/test_support.h"

namespace {

TEST(KeyNames, NamesAndCodes) {
  const struct { const char* name; uint32_t code; } cases[] = {
      {"LEFT", 0x25}, {"RIGHT", 0x27}, {"UP", 0x26}, {"DOWN", 0x28}, {"ENTER", 0x0D}, {"SHIFT", 0x10},
      {"SPACE", 0x20}, {"CTRL", 0x11}, {"ALT", 0x12}, {"ESC", 0x1B}, {"TAB", 0x09}, {"F1", 0x70},
      {"F12", 0x7B}, {"0", 0x30}, {"7", 0x37}, {"A", 0x41}, {"Z", 0x5A}, {"0x25", 0x25}, {"37", 37}, {"0x7b", 0x7B}};
  for (const auto& c : cases) {
    uint32_t code = 0;
    EXPECT_TRUE(parseKeyName(c.name, &code)) << c.name;
    EXPECT_EQ(code, c.code) << c.name;
  }
  for (const char* bad : {"F0", "F13", "a", "left", "0x", "-1", "256", "LEFTX", "", "0x1FF"}) {
    uint32_t code = 0;
    EXPECT_FALSE(parseKeyName(bad, &code)) << bad;
  }
}

TEST(KeyScript, KeepsFileOrderWithinAPass) {
  freshMachine();
  const std::string dir = makeScratchDir("script");
  const std::string text = "# comment line\n2 down LEFT\n\n1 activate 0   # trailing comment\n2 up 0x25\n1 down F12\n";
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

TEST(KeyScript, MalformedLineIsNamed) {
  const char* bad[] = {"1 press LEFT\n", "0 down LEFT\n", "x down LEFT\n", "1 down\n", "1 down LEFT extra\n",
                       "1 activate 2\n", "1 down left\n"};
  for (const char* line : bad) {
    freshMachine();
    const std::string dir = makeScratchDir("script-bad");
    const std::string text = std::string("1 down UP\n") + line;
    writeFile(dir + "/k.txt", std::vector<uint8_t>(text.begin(), text.end()));
    char message[256] = "";
    EXPECT_FALSE(loadKeyScript((dir + "/k.txt").c_str(), message, sizeof message)) << line;
    EXPECT_NE(std::string(message).find("k.txt:2:"), std::string::npos) << message;
  }
  char message[256] = "";
  EXPECT_FALSE(loadKeyScript("/nonexistent/keys.txt", message, sizeof message));
  EXPECT_NE(std::string(message).find("/nonexistent/keys.txt"), std::string::npos);
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
