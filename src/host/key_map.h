// The player's keys and pad buttons: what each of the program's actions is bound to, the key
// names the settings use, and the translation of a pressed key into the key the host acts on.
// Every action has its own keys (the first is the one the host acts on); a key the player moved
// to an action sends that action's key, and a default key taken away does nothing.
#pragma once
#include <cstdint>

#include "platform/platform.h"

enum Action : uint8_t {
  ACTION_LEFT, ACTION_RIGHT, ACTION_UP, ACTION_DOWN, ACTION_FIRE, ACTION_BUTTON2, ACTION_AUTOFIRE,
  ACTION_SWITCH1, ACTION_SWITCH2, ACTION_SWITCH3, ACTION_SWITCH4, ACTION_SWITCH5, ACTION_SWITCH6, ACTION_SWITCH7,
  ACTION_PAUSE, ACTION_STEP, ACTION_FAST_FORWARD, ACTION_SAVE, ACTION_LOAD, ACTION_SLOT_DOWN, ACTION_SLOT_UP,
  ACTION_REWIND, ACTION_SNAPSHOT, ACTION_RECORD, ACTION_RESET, ACTION_WINDOW, ACTION_INSPECTOR,
  ACTION_INSPECTOR_NEXT, ACTION_INSPECTOR_PREVIOUS, ACTION_CONTROLS, ACTION_VIEWS,
  ACTION_COUNT
};

inline constexpr int MAX_ACTION_KEYS = 4; // keys (or pad buttons) one action takes at most
inline constexpr int KEY_NAME_SIZE = 16;

struct ActionInfo {
  const char* name;                       // the setting's name
  const char* what;                       // what it does, for the settings file
  uint8_t keys[MAX_ACTION_KEYS];          // default keys, 0 after the last; keys[0] is the host's own
  uint8_t own = 0;                        // the host's own key of an action with no default key
};

extern const ActionInfo ACTIONS[ACTION_COUNT];

// One action's keys or pad buttons, in the order given.
struct Binding {
  uint8_t codes[MAX_ACTION_KEYS];
  uint8_t count;
};

struct KeyMap {
  Binding keys[ACTION_COUNT];      // keyboard keys by action
  Binding buttons[ACTION_COUNT];   // pad buttons by action
  uint8_t translation[KEY_CODES];  // pressed key -> the key the host acts on (0: nothing)
};

extern KeyMap keyMap;

// The defaults: each action's own keys and pad buttons, the translation the identity.
KeyMap defaultKeyMap();
// Makes keyMap the defaults.
void resetKeyMap();
// Rebuilds the translation from keyMap.keys, binds the pad buttons and makes the reset's first key
// the one answered while the board's program hangs.
void applyKeyMap();
// The key the host acts on for a pressed key (0: none); pad keys are already the action's own.
uint32_t translateKey(uint32_t keyCode, intptr_t lParam);
// The key code named name in any case ("F2", "Space", "space", "A"); 0 for none.
uint32_t keyNamed(const char* name);
// Writes key's name into text (KEY_NAME_SIZE bytes); "?" for a code with none.
void nameKey(uint32_t keyCode, char* text);
// The key names, runs of them shortened ("A-Z, 0-9, F1-F12, ..., Pause").
void describeKeyNames(char* text, int size);
// The pad button named name in any case ("A", "Back", "leftshoulder"); GAMEPAD_BUTTON_COUNT for none.
GamepadButton gamepadButtonNamed(const char* name);
// A pad button's name.
const char* gamepadButtonName(GamepadButton button);
// The controls list as lines: each row's keys and what they do, as bound now, then the way out.
void describeControls(char* text, int size);
