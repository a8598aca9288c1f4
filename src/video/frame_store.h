// FrameStore: the off-screen composition buffer of host palette indices.
#pragma once
#include <cstdint>

inline constexpr int FRAME_STORE_WIDTH = 320;  // columns 256..319 are an undisplayed margin
inline constexpr int FRAME_STORE_LINES = 320;  // working frame plus 32-line margins above and below
inline constexpr int FRAME_TOP = 32;           // store line of frame line 0
inline constexpr int FRAME_LINES = 256;        // lines of the working frame
inline constexpr int FRAME_WIDTH = 256;        // columns of the working frame
inline constexpr int LAST_FRAME_LINE = FRAME_STORE_LINES - FRAME_TOP - 1; // frame line of the store's last line
inline constexpr int VISIBLE_FIRST_LINE = 8;   // first frame line shown
inline constexpr int VISIBLE_WIDTH = 256;
inline constexpr int VISIBLE_HEIGHT = 240;
inline constexpr int SCREEN_X = 32;            // where the picture sits on a 320-wide screen

// One flat array: a pass that writes left of column 0 lands at the end of the previous line.
struct FrameStore {
  uint8_t pixels[FRAME_STORE_LINES * FRAME_STORE_WIDTH];
};

extern FrameStore frameStore;

// One host palette entry, laid out as the system's palette entry.
struct PaletteColour {
  uint8_t red, green, blue, flags;
};
// Entries of the host palette (pal.bmp's colours), one per picture index.
inline constexpr int HOST_PALETTE_SIZE = 256;

// Offset in the store of column 0 of a working-frame line (margin lines included).
inline constexpr int frameOffset(int line) { return (FRAME_TOP + line) * FRAME_STORE_WIDTH; }
// Pointer to column 0 of a working-frame line (may be in the margins).
inline uint8_t* frameLine(int line) { return frameStore.pixels + frameOffset(line); }
