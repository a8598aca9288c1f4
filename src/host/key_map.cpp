#include "host/key_map.h"

#include <cctype>
#include <cstdio>
#include <cstring>

const ActionInfo ACTIONS[ACTION_COUNT] = {
    {"left", "joystick left", {VKEY_LEFT}},
    {"right", "joystick right", {VKEY_RIGHT}},
    {"up", "joystick up", {VKEY_UP}},
    {"down", "joystick down", {VKEY_DOWN}},
    {"fire", "fire, held", {VKEY_SPACE, VKEY_RETURN, VKEY_SHIFT}},
    {"button2", "second button, held", {VKEY_MENU}},
    {"autofire", "both buttons pulsing while held", {VKEY_CONTROL}},
    {"switch1", "switch 1, held", {VKEY_0 + 1}},
    {"switch2", "switch 2, held", {VKEY_0 + 2}},
    {"switch3", "switch 3, held", {VKEY_0 + 3}},
    {"switch4", "switch 4, on and off", {VKEY_0 + 4}},
    {"switch5", "switch 5, on and off", {VKEY_0 + 5}},
    {"switch6", "switch 6, on and off", {VKEY_0 + 6}},
    {"switch7", "switch 7, on and off", {VKEY_0 + 7}},
    {"pause", "pause and go on", {VKEY_P, VKEY_PAUSE}},
    {"frame_advance", "one pass while paused", {VKEY_N}},
    {"fast_forward", "as fast as it goes, held", {VKEY_BACK}},
    {"save_state", "saves the state into the slot", {VKEY_F2}},
    {"load_state", "loads the slot's state", {VKEY_F3}},
    {"slot_down", "the slot before", {VKEY_F7}},
    {"slot_up", "the slot after", {VKEY_F8}},
    {"rewind", "runs backwards, held", {VKEY_R}},
    {"snapshot", "writes the picture to a bitmap", {VKEY_F12}},
    {"record_frames", "writes every picture from now on", {VKEY_F11}},
    {"reset", "resets the board", {VKEY_F1}},
    {"window", "window or full screen", {VKEY_F9}},
    {"sprite_inspector", "the sprite inspector on and off", {VKEY_I}},
    {"inspector_next", "the inspector's next sprite", {VKEY_F5}},
    {"inspector_previous", "the inspector's sprite before", {VKEY_F6}},
    {"controls", "this list of controls on and off", {VKEY_H}},
    {"views", "the views window on and off (no key by default)", {}, VKEY_VIEWS},
};

namespace {
// Key names: runs of consecutive codes named by a letter, a digit or a number after a prefix.
enum NameStyle : uint8_t { NAME_CHARACTER, NAME_NUMBER, NAME_SINGLE };
struct KeyNameRun {
  const char* prefix;
  uint8_t firstCode;
  uint8_t count;
  NameStyle style;
  int first; // first character or number of the run
};
constexpr KeyNameRun KEY_NAMES[] = {
    {"", VKEY_A, 26, NAME_CHARACTER, 'A'},      {"", VKEY_0, 10, NAME_CHARACTER, '0'},
    {"F", VKEY_F1, 12, NAME_NUMBER, 1},         {"Keypad", VKEY_NUMPAD0, 10, NAME_NUMBER, 0},
    {"Left", VKEY_LEFT, 1, NAME_SINGLE, 0},     {"Right", VKEY_RIGHT, 1, NAME_SINGLE, 0},
    {"Up", VKEY_UP, 1, NAME_SINGLE, 0},         {"Down", VKEY_DOWN, 1, NAME_SINGLE, 0},
    {"Enter", VKEY_RETURN, 1, NAME_SINGLE, 0},  {"Shift", VKEY_SHIFT, 1, NAME_SINGLE, 0},
    {"Ctrl", VKEY_CONTROL, 1, NAME_SINGLE, 0},  {"Alt", VKEY_MENU, 1, NAME_SINGLE, 0},
    {"Space", VKEY_SPACE, 1, NAME_SINGLE, 0},   {"Esc", VKEY_ESCAPE, 1, NAME_SINGLE, 0},
    {"Tab", VKEY_TAB, 1, NAME_SINGLE, 0},       {"Backspace", VKEY_BACK, 1, NAME_SINGLE, 0},
    {"Pause", VKEY_PAUSE, 1, NAME_SINGLE, 0},
};

constexpr const char* GAMEPAD_BUTTON_NAMES[GAMEPAD_BUTTON_COUNT] = {
    "A", "B", "X", "Y", "Back", "Start", "LeftShoulder", "RightShoulder", "LeftStick", "RightStick",
    "DpadLeft", "DpadRight", "DpadUp", "DpadDown",
};

// The controls list's rows: a title and the run of actions whose keys it shows.
struct ControlsRow {
  const char* title;
  Action first;
  int count;
};
constexpr ControlsRow CONTROLS_ROWS[] = {
    {"Move", ACTION_LEFT, 4},           {"Fire", ACTION_FIRE, 1},
    {"Button 2", ACTION_BUTTON2, 1},    {"Autofire", ACTION_AUTOFIRE, 1},
    {"Switches 1-3", ACTION_SWITCH1, 3}, {"Toggles 4-7", ACTION_SWITCH4, 4},
    {"Pause", ACTION_PAUSE, 1},         {"Frame advance", ACTION_STEP, 1},
    {"Fast forward", ACTION_FAST_FORWARD, 1}, {"Save  load", ACTION_SAVE, 2},
    {"Slot -  +", ACTION_SLOT_DOWN, 2}, {"Rewind", ACTION_REWIND, 1},
    {"Snapshot", ACTION_SNAPSHOT, 1},   {"Record frames", ACTION_RECORD, 1},
    {"Reset", ACTION_RESET, 1},         {"Window", ACTION_WINDOW, 1},
    {"Inspector", ACTION_INSPECTOR, 3}, {"Controls", ACTION_CONTROLS, 1},
    {"Views", ACTION_VIEWS, 1},
};
constexpr int CONTROLS_TITLE_WIDTH = 14; // the keys start in this column
constexpr const char* NO_KEY_TEXT = "no key\n"; // a row whose actions have none
// The way out, which no setting moves: the system's close shortcut, or the window's close box. Esc
// does nothing, as on the board's first host.
constexpr const char* QUIT_ROW = "Quit          Alt+F4 or close it\n";

uint32_t hostKey(int action) { return ACTIONS[action].keys[0] ? ACTIONS[action].keys[0] : ACTIONS[action].own; }

// Names compared without regard to the case of their letters, as the key scripts read them.
bool sameName(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (tolower((unsigned char)*a) != tolower((unsigned char)*b))
      return false;
  return *a == *b;
}

bool isDefaultKey(int action, uint32_t keyCode) {
  for (uint8_t key : ACTIONS[action].keys)
    if (key && key == keyCode)
      return true;
  return false;
}
} // namespace

KeyMap defaultKeyMap() {
  KeyMap km = {};
  for (int a = 0; a < ACTION_COUNT; ++a)
    for (uint8_t key : ACTIONS[a].keys)
      if (key)
        km.keys[a].codes[km.keys[a].count++] = key;
  for (int b = 0; b < GAMEPAD_BUTTON_COUNT; ++b)
    for (int a = 0; a < ACTION_COUNT; ++a)
      if (GAMEPAD_DEFAULT_KEYS[b] && GAMEPAD_DEFAULT_KEYS[b] == hostKey(a))
        km.buttons[a].codes[km.buttons[a].count++] = uint8_t(b);
  for (int k = 0; k < KEY_CODES; ++k)
    km.translation[k] = uint8_t(k);
  return km;
}

// A fresh process has the defaults, before any reset.
KeyMap keyMap = defaultKeyMap();

void resetKeyMap() { keyMap = defaultKeyMap(); }

void applyKeyMap() {
  KeyMap& km = keyMap;
  // A default key no longer bound does nothing; keys no action ever had pass as they are.
  for (int a = 0; a < ACTION_COUNT; ++a)
    for (uint8_t key : ACTIONS[a].keys)
      km.translation[key] = 0;
  for (int a = 0; a < ACTION_COUNT; ++a)
    for (int i = 0; i < km.keys[a].count; ++i) {
      const uint8_t key = km.keys[a].codes[i];
      km.translation[key] = uint8_t(isDefaultKey(a, key) ? key : hostKey(a));
    }
  uint32_t padKeys[GAMEPAD_BUTTON_COUNT] = {};
  for (int a = 0; a < ACTION_COUNT; ++a)
    for (int i = 0; i < km.buttons[a].count; ++i)
      padKeys[km.buttons[a].codes[i]] = hostKey(a);
  for (int b = 0; b < GAMEPAD_BUTTON_COUNT; ++b)
    platformBindGamepadButton(GamepadButton(b), padKeys[b]);
  platformSetResetKey(km.keys[ACTION_RESET].count ? km.keys[ACTION_RESET].codes[0] : 0);
}

uint32_t translateKey(uint32_t keyCode, intptr_t lParam) {
  if ((lParam & KEY_FROM_GAMEPAD) || keyCode >= uint32_t(KEY_CODES))
    return keyCode;
  return keyMap.translation[keyCode];
}

uint32_t keyNamed(const char* name) {
  char text[KEY_NAME_SIZE];
  for (int code = 1; code < KEY_CODES; ++code) {
    nameKey(uint32_t(code), text);
    if (text[0] != '?' && sameName(text, name))
      return uint32_t(code);
  }
  return 0;
}

void nameKey(uint32_t keyCode, char* text) {
  for (const KeyNameRun& run : KEY_NAMES) {
    if (keyCode < run.firstCode || keyCode >= uint32_t(run.firstCode + run.count))
      continue;
    const int i = int(keyCode - run.firstCode);
    if (run.style == NAME_CHARACTER)
      snprintf(text, KEY_NAME_SIZE, "%c", char(run.first + i));
    else if (run.style == NAME_NUMBER)
      snprintf(text, KEY_NAME_SIZE, "%s%d", run.prefix, run.first + i);
    else
      snprintf(text, KEY_NAME_SIZE, "%s", run.prefix);
    return;
  }
  snprintf(text, KEY_NAME_SIZE, "?");
}

void describeKeyNames(char* text, int size) {
  int used = 0;
  text[0] = 0;
  for (const KeyNameRun& run : KEY_NAMES) {
    char first[KEY_NAME_SIZE], last[KEY_NAME_SIZE];
    nameKey(run.firstCode, first);
    nameKey(uint32_t(run.firstCode + run.count - 1), last);
    const char* comma = used ? ", " : "";
    if (used < size)
      used += run.count > 1 ? snprintf(text + used, size_t(size - used), "%s%s-%s", comma, first, last)
                            : snprintf(text + used, size_t(size - used), "%s%s", comma, first);
  }
}

GamepadButton gamepadButtonNamed(const char* name) {
  for (int b = 0; b < GAMEPAD_BUTTON_COUNT; ++b)
    if (sameName(GAMEPAD_BUTTON_NAMES[b], name))
      return GamepadButton(b);
  return GAMEPAD_BUTTON_COUNT;
}

const char* gamepadButtonName(GamepadButton button) { return button < GAMEPAD_BUTTON_COUNT ? GAMEPAD_BUTTON_NAMES[button] : "?"; }

void describeControls(char* text, int size) {
  int used = 0;
  // Appends to text while there is room; what does not fit is cut.
  auto append = [&](const char* part) {
    if (used < size - 1)
      used += snprintf(text + used, size_t(size - used), "%s", part);
    if (used > size - 1)
      used = size - 1;
  };
  char name[KEY_NAME_SIZE], line[PANEL_TEXT_SIZE];
  text[0] = 0;
  if (keyMap.keys[ACTION_CONTROLS].count) {
    nameKey(keyMap.keys[ACTION_CONTROLS].codes[0], name);
    snprintf(line, sizeof line, "Controls: %s closes this list\n", name);
    append(line);
  }
  for (const ControlsRow& row : CONTROLS_ROWS) {
    snprintf(line, sizeof line, "%-*s", CONTROLS_TITLE_WIDTH, row.title);
    append(line);
    const char* gap = "";
    for (int a = row.first; a < row.first + row.count; ++a)
      for (int i = 0; i < keyMap.keys[a].count; ++i) {
        nameKey(keyMap.keys[a].codes[i], name);
        append(gap);
        append(name);
        gap = " ";
      }
    append(*gap ? "\n" : NO_KEY_TEXT);
  }
  append(QUIT_ROW);
}
