// Scancodes to Windows virtual-key codes: by key position, so the keyboard
// layout never changes what a key does.
#include <array>

#include "platform/sdl2/sdl2_platform.h"

namespace {
struct ScancodeRun {
  SDL_Scancode first; // SDL numbers each of these runs of keys consecutively
  int count;
  uint8_t firstKeyCode;
};

constexpr ScancodeRun SCANCODE_RUNS[] = {
    {SDL_SCANCODE_A, 26, 0x41},           {SDL_SCANCODE_1, 9, 0x31},
    {SDL_SCANCODE_0, 1, 0x30},            {SDL_SCANCODE_F1, 12, uint8_t(VKEY_F1)},
    {SDL_SCANCODE_KP_1, 9, 0x61},         {SDL_SCANCODE_KP_0, 1, uint8_t(VKEY_NUMPAD0)},
    {SDL_SCANCODE_LEFT, 1, VKEY_LEFT},    {SDL_SCANCODE_RIGHT, 1, VKEY_RIGHT},
    {SDL_SCANCODE_UP, 1, VKEY_UP},        {SDL_SCANCODE_DOWN, 1, VKEY_DOWN},
    {SDL_SCANCODE_RETURN, 1, VKEY_RETURN}, {SDL_SCANCODE_KP_ENTER, 1, VKEY_RETURN},
    {SDL_SCANCODE_LSHIFT, 1, VKEY_SHIFT}, {SDL_SCANCODE_RSHIFT, 1, VKEY_SHIFT},
    {SDL_SCANCODE_LCTRL, 1, VKEY_CONTROL}, {SDL_SCANCODE_RCTRL, 1, VKEY_CONTROL},
    {SDL_SCANCODE_LALT, 1, VKEY_MENU},    {SDL_SCANCODE_RALT, 1, VKEY_MENU},
    {SDL_SCANCODE_SPACE, 1, VKEY_SPACE},  {SDL_SCANCODE_ESCAPE, 1, VKEY_ESCAPE},
    {SDL_SCANCODE_TAB, 1, VKEY_TAB},      {SDL_SCANCODE_BACKSPACE, 1, VKEY_BACK},
    {SDL_SCANCODE_PAUSE, 1, VKEY_PAUSE},
};

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> buildKeyTable() {
  std::array<uint8_t, SDL_NUM_SCANCODES> table{};
  for (const ScancodeRun& run : SCANCODE_RUNS)
    for (int i = 0; i < run.count; ++i)
      table[size_t(run.first) + size_t(i)] = uint8_t(run.firstKeyCode + i);
  return table;
}

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> KEY_TABLE = buildKeyTable();
} // namespace

uint32_t keyCodeForScancode(int scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES)
    return 0;
  return KEY_TABLE[size_t(scancode)];
}
