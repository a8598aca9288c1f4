// The headless backend: an in-memory display, scripted messages, a fake
// joystick. It is the test harness of the emulator and of quillomark-headless.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "video/picture_digest.h"

inline constexpr int HEADLESS_MAX_WIDTH = 640;
inline constexpr int HEADLESS_MAX_HEIGHT = 480;

// A message queued before the message pump of a given pass.
struct ScriptedMessage {
  uint32_t pass; // counting from 1
  uint32_t message;
  uintptr_t wParam;
};

// Display operations whose failure tests can ask for.
enum HeadlessStep : int {
  STEP_CREATE_DISPLAY,
  STEP_COOPERATIVE_LEVEL,
  STEP_DISPLAY_MODE,
  STEP_PRIMARY_SURFACE,
  STEP_BACK_BUFFER,
  STEP_CREATE_PALETTE,
  STEP_SET_PALETTE,
  STEP_LOCK,
  STEP_PRESENT,
  STEP_ENTER_WINDOW,
  STEP_COUNT
};

struct HeadlessFailure {
  int32_t result;    // what the step returns while failing
  uint32_t remaining; // how many more calls fail
};

struct HeadlessPlatform {
  std::vector<ScriptedMessage> script; // by pass, file order within a pass
  size_t scriptNext;                   // the first entry not yet delivered
  uint32_t currentPass;
  uint32_t frameLimit; // destroy the window once this many passes have run (0: never)
  int width, height;   // display mode
  uint8_t backBuffer[HEADLESS_MAX_WIDTH * HEADLESS_MAX_HEIGHT];
  uint8_t presented[HEADLESS_MAX_WIDTH * HEADLESS_MAX_HEIGHT]; // last picture shown, at mode size
  PaletteColour palette[256];
  uint32_t presentCount; // presents of passes (not the repeats after a switch)
  bool windowed;         // in a window (platformEnterWindow), not full screen
  bool repeatPresents;   // presents show the last picture again: no digest, not counted
  uint32_t repeatCount;  // presents of the last picture again
  bool terminal;         // what platformHasTerminal answers (true after a reset)
  uint32_t failuresShown; // message boxes asked for, with the last one's title and text
  std::string failureTitle, failureText;
  HeadlessFailure failures[STEP_COUNT];
  FILE* digestFile;  // one line per presented pass, when set
  const char* digestPath;
  char text[32];     // last text drawn at the top-left corner
  std::string panel; // the lines shown over the picture (empty: none); never in the picture itself
  std::array<uint32_t, GAMEPAD_BUTTON_COUNT> padKeys = GAMEPAD_DEFAULT_KEYS; // each gamepad button's key
  uint32_t restoreCount;
  // Fake joystick.
  uint32_t joystickCount;
  bool joystickAnswers;
  JoystickPosition joystickPosition;
  JoystickLimits joystickLimits;
};

extern HeadlessPlatform headlessPlatform;

// Back to the state of a fresh process (no window, empty queue, no failures).
void headlessReset();
// Queues a message to be delivered before the pump of the given pass.
void headlessScript(uint32_t pass, uint32_t message, uintptr_t wParam);
// Makes the next count calls of a display step return result.
void headlessFail(HeadlessStep step, int32_t result, uint32_t count);

// Parses a key-script file and queues its messages; on error queues none, fills message (naming the
// file, the line, the bad token and what was expected) and returns false.
bool loadKeyScript(const char* path, char* message, int messageSize);
// Parses a key name in any case or a code (LEFT, left, F12, A, 7, 0x25, 37); false if unknown.
bool parseKeyName(const char* name, uint32_t* keyCode);
// True when path names a regular file; otherwise fills message ("WHAT PATH is not a regular file"
// or why it cannot be opened) and returns false.
bool checkRegularFile(const char* what, const char* path, char* message, int messageSize);
// Parses a whole decimal or 0x-hexadecimal number that fits 32 bits, digits from the first character
// (no white space, no sign); false otherwise.
bool parseWholeNumber(const char* text, uint32_t* value);
