// FrameStore: the off-screen composition buffer of host palette indices.
#pragma once
#include <cstdint>

inline constexpr int FRAME_STORE_WIDTH = 320;  // columns 256..319 are an undisplayed margin
inline constexpr int FRAME_STORE_LINES = 320;  // working frame plus 32-line margins above and below
inline constexpr int FRAME_TOP = 32;           // store line of frame line 0
inline constexpr int VISIBLE_FIRST_LINE = 8;   // first frame line shown
inline constexpr int VISIBLE_WIDTH = 256;
inline constexpr int VISIBLE_HEIGHT = 240;
inline constexpr int SCREEN_X = 32;            // where the picture sits on a 320-wide screen

struct FrameStore {
  uint8_t pixels[FRAME_STORE_LINES][FRAME_STORE_WIDTH];
};

extern FrameStore frameStore;

// Pointer to column 0 of working-frame line (may be in the margins).
inline uint8_t* frameLine(int line) { return frameStore.pixels[FRAME_TOP + line]; }
