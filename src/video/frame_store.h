// FrameStore: the off-screen composition buffer of host palette indices, and its XRGB8888 twin.
#pragma once
#include <cstdint>
#include <type_traits>

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
template <typename Pixel>
struct PixelStore {
  Pixel pixels[FRAME_STORE_LINES * FRAME_STORE_WIDTH];
};
using FrameStore = PixelStore<uint8_t>;       // host palette indices: the programs' pictures
using ColourFrameStore = PixelStore<uint32_t>; // XRGB8888 through the host palette, for a front end that shows it

extern FrameStore frameStore;
extern ColourFrameStore colourFrameStore;

// The store that composition of Pixel writes.
template <typename Pixel>
PixelStore<Pixel>& storeOf() {
  static_assert(std::is_same_v<Pixel, uint8_t> || std::is_same_v<Pixel, uint32_t>);
  if constexpr (std::is_same_v<Pixel, uint8_t>)
    return frameStore;
  else
    return colourFrameStore;
}

// One host palette entry, laid out as the system's palette entry.
struct PaletteColour {
  uint8_t red, green, blue, flags;
};
// Entries of the host palette (pal.bmp's colours), one per picture index.
inline constexpr int HOST_PALETTE_SIZE = 256;

// Offset in the store of column 0 of a working-frame line (margin lines included).
inline constexpr int frameOffset(int line) { return (FRAME_TOP + line) * FRAME_STORE_WIDTH; }
// Pointer to column 0 of a working-frame line of the store of Pixel (may be in the margins).
template <typename Pixel = uint8_t>
Pixel* frameLine(int line) { return storeOf<Pixel>().pixels + frameOffset(line); }
