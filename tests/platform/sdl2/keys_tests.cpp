#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sdl2/sdl2_platform.h"
#include "platform/sdl2/sdl2_test_support.h"

namespace {

PaletteColour greyPalette[256];

// The virtual-key code a key must send, worked out from the name SDL gives the key
// position: single letters and digits send their character, "Fn" sends 0x6F + n and
// "Keypad n" sends 0x60 + n.
uint32_t expectedFromName(const std::string& name) {
  if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9')))
    return uint32_t(name[0]);
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' && isdigit((unsigned char)name[1])) {
    const int n = std::stoi(name.substr(1));
    return n >= 1 && n <= 12 ? 0x6F + uint32_t(n) : 0;
  }
  if (name.size() == 8 && name.compare(0, 7, "Keypad ") == 0 && isdigit((unsigned char)name[7]))
    return 0x60 + uint32_t(name[7] - '0');
  return 0;
}

TEST(Sdl2Keys, LettersDigitsFunctionAndKeypadKeysByPosition) {
  int checked = 0;
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    const uint32_t expected = expectedFromName(SDL_GetScancodeName(SDL_Scancode(scancode)));
    if (expected == 0)
      continue;
    EXPECT_EQ(keyCodeForScancode(scancode), expected) << SDL_GetScancodeName(SDL_Scancode(scancode));
    ++checked;
  }
  EXPECT_EQ(checked, 26 + 10 + 12 + 10);
}

TEST(Sdl2Keys, NamedKeys) {
  struct Case {
    int scancode;
    uint32_t keyCode;
  } cases[] = {
      {SDL_SCANCODE_LEFT, 0x25},   {SDL_SCANCODE_UP, 0x26},       {SDL_SCANCODE_RIGHT, 0x27},
      {SDL_SCANCODE_DOWN, 0x28},   {SDL_SCANCODE_RETURN, 0x0D},   {SDL_SCANCODE_KP_ENTER, 0x0D},
      {SDL_SCANCODE_LSHIFT, 0x10}, {SDL_SCANCODE_RSHIFT, 0x10},   {SDL_SCANCODE_SPACE, 0x20},
      {SDL_SCANCODE_LCTRL, 0x11},  {SDL_SCANCODE_RCTRL, 0x11},    {SDL_SCANCODE_LALT, 0x12},
      {SDL_SCANCODE_RALT, 0x12},   {SDL_SCANCODE_ESCAPE, 0x1B},   {SDL_SCANCODE_TAB, 0x09},
      // Neighbours of the runs above, and codes outside SDL's range, send nothing.
      {SDL_SCANCODE_CAPSLOCK, 0},  {SDL_SCANCODE_PRINTSCREEN, 0}, {SDL_SCANCODE_F13, 0},
      {SDL_SCANCODE_KP_PERIOD, 0}, {SDL_SCANCODE_UNKNOWN, 0},     {SDL_SCANCODE_BACKSPACE, 0x08},
      {SDL_SCANCODE_PAUSE, 0x13},
      {-1, 0},                     {SDL_NUM_SCANCODES, 0},        {100000, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(keyCodeForScancode(c.scancode), c.keyCode) << "scancode " << c.scancode;
}

TEST(Sdl2Keys, KeyEventsBecomeKeyMessagesWhateverTheLayout) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, greyPalette));
  constexpr intptr_t PREVIOUSLY_DOWN = intptr_t(1) << 30, RELEASED = intptr_t(1) << 31;
  struct Case {
    SDL_Scancode scancode;
    SDL_Keycode symbol; // what the layout makes of the key: never looked at
    bool down, repeat;
    uint32_t message;
    uintptr_t keyCode;
    intptr_t lParam;
  } cases[] = {
      {SDL_SCANCODE_Q, SDLK_a, true, false, MSG_KEYDOWN, 0x51, 1},
      {SDL_SCANCODE_Q, SDLK_a, true, true, MSG_KEYDOWN, 0x51, 1 | PREVIOUSLY_DOWN},
      {SDL_SCANCODE_Q, SDLK_a, false, false, MSG_KEYUP, 0x51, 1 | PREVIOUSLY_DOWN | RELEASED},
      {SDL_SCANCODE_LALT, SDLK_LALT, true, false, MSG_KEYDOWN, 0x12, 1},
      {SDL_SCANCODE_RALT, SDLK_MODE, false, false, MSG_KEYUP, 0x12, 1 | PREVIOUSLY_DOWN | RELEASED},
      {SDL_SCANCODE_KP_4, SDLK_LEFT, true, false, MSG_KEYDOWN, 0x64, 1},
      {SDL_SCANCODE_2, SDLK_AMPERSAND, true, false, MSG_KEYDOWN, 0x32, 1},
  };
  for (const Case& c : cases) {
    clearRecording();
    pushKey(c.scancode, c.down, c.repeat, KMOD_NONE, c.symbol);
    dispatchPending();
    ASSERT_EQ(recordedMessages.size(), 1u) << SDL_GetScancodeName(c.scancode);
    EXPECT_EQ(recordedMessages[0].message, c.message);
    EXPECT_EQ(recordedMessages[0].wParam, c.keyCode);
    EXPECT_EQ(recordedMessages[0].lParam, c.lParam);
  }
  // Keys the program has no code for send nothing.
  clearRecording();
  pushKey(SDL_SCANCODE_CAPSLOCK, true);
  dispatchPending();
  EXPECT_TRUE(recordedMessages.empty());
}

TEST(Sdl2Keys, AltF4AsksToCloseTheWindow) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, greyPalette));
  pushKey(SDL_SCANCODE_F4, true);
  dispatchPending();
  ASSERT_EQ(recordedMessages.size(), 1u);
  EXPECT_EQ(recordedMessages[0].message, MSG_KEYDOWN);
  EXPECT_EQ(recordedMessages[0].wParam, 0x73u);
  for (uint16_t alt : {KMOD_LALT, KMOD_RALT}) {
    clearRecording();
    pushKey(SDL_SCANCODE_F4, true, false, alt);
    dispatchPending();
    ASSERT_EQ(recordedMessages.size(), 2u);
    EXPECT_EQ(recordedMessages[0].message, MSG_CLOSE);
    EXPECT_EQ(recordedMessages[1].message, MSG_DESTROY);
  }
}

} // namespace
