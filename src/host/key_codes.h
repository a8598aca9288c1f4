// Key codes as the window system gives them (Windows virtual-key values on every platform): the
// board's keys and the desktop's control keys.
#pragma once
#include <cstdint>

// Virtual-key codes.
inline constexpr uint32_t VKEY_BACK = 0x08;  // Backspace
inline constexpr uint32_t VKEY_TAB = 0x09;
inline constexpr uint32_t VKEY_RETURN = 0x0D;
inline constexpr uint32_t VKEY_SHIFT = 0x10;
inline constexpr uint32_t VKEY_CONTROL = 0x11;
inline constexpr uint32_t VKEY_MENU = 0x12; // Alt
inline constexpr uint32_t VKEY_PAUSE = 0x13;
inline constexpr uint32_t VKEY_ESCAPE = 0x1B;
inline constexpr uint32_t VKEY_SPACE = 0x20;
inline constexpr uint32_t VKEY_LEFT = 0x25;
inline constexpr uint32_t VKEY_UP = 0x26;
inline constexpr uint32_t VKEY_RIGHT = 0x27;
inline constexpr uint32_t VKEY_DOWN = 0x28;
inline constexpr uint32_t VKEY_0 = 0x30;    // digits 0x30-0x39
inline constexpr uint32_t VKEY_A = 0x41;    // letters 0x41-0x5A
inline constexpr uint32_t VKEY_H = 0x48;
inline constexpr uint32_t VKEY_I = 0x49;
inline constexpr uint32_t VKEY_N = 0x4E;
inline constexpr uint32_t VKEY_P = 0x50;
inline constexpr uint32_t VKEY_R = 0x52;
inline constexpr uint32_t VKEY_NUMPAD0 = 0x60;
inline constexpr uint32_t VKEY_F1 = 0x70;   // F1-F12: 0x70-0x7B
inline constexpr uint32_t VKEY_F2 = 0x71;
inline constexpr uint32_t VKEY_F3 = 0x72;
inline constexpr uint32_t VKEY_F5 = 0x74;
inline constexpr uint32_t VKEY_F6 = 0x75;
inline constexpr uint32_t VKEY_F7 = 0x76;
inline constexpr uint32_t VKEY_F8 = 0x77;
inline constexpr uint32_t VKEY_F9 = 0x78;
inline constexpr uint32_t VKEY_F11 = 0x7A;
inline constexpr uint32_t VKEY_F12 = 0x7B;
// F13, which no key the program names sends: the own key of the views action, bound to none.
inline constexpr uint32_t VKEY_VIEWS = 0x7C;

// Key codes are bytes: there are this many.
inline constexpr int KEY_CODES = 256;
