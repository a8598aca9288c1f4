// Board colours to host palette indices.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

inline constexpr const char* PALETTE_FILE = "pal.bmp";
inline constexpr int PALETTE_FILE_OFFSET = 54;   // colour table of a 256-colour bitmap
inline constexpr int PALETTE_FILE_MINIMUM = 1078; // header plus 256 four-byte entries
inline constexpr int PEN_LOOKUP_SIZE = 2048;

#include "video/frame_store.h"

struct ColourTables {
  PaletteColour hostPalette[HOST_PALETTE_SIZE];      // pal.bmp's colours, which the picture's indices name
  uint32_t hostColours[HOST_PALETTE_SIZE];           // the same as XRGB8888
  uint8_t colourTable[65536];          // board colour word -> nearest host index
  uint8_t penLookup[PEN_LOOKUP_SIZE];  // board palette entry -> host index, per frame
  uint32_t penColours[PEN_LOOKUP_SIZE]; // board palette entry -> its host index's XRGB8888, per XRGB frame
};

extern ColourTables colourTables;

// A host palette entry as XRGB8888 (the unused top byte 0).
constexpr uint32_t xrgbOf(PaletteColour c) { return uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue; }

// The pens that composition of Pixel writes: host indices or XRGB8888.
template <typename Pixel>
const Pixel* penTable() {
  if constexpr (std::is_same_v<Pixel, uint8_t>)
    return colourTables.penLookup;
  else
    return colourTables.penColours;
}

// Brightened value a pal.bmp colour byte is matched with: trunc(sqrt(v / 255) * 255).
uint8_t matchValue(uint8_t v);
// Fills colourTable from pal.bmp's 256 entries (blue, green, red, reserved): nearest by match values.
void fillColourTable(const uint8_t entries[256][4]);
// Fills the host palette and the colour table from the bytes of a 256-colour bitmap (pal.bmp); false,
// with "Cannot read the 256 colours of pal.bmp" in message, when they are missing or short.
bool loadPalette(const uint8_t* bytes, size_t size, char* message, int messageSize);
// Maps the 2048 palette RAM entries through the colour table into penLookup, and for uint32_t
// pixels on through the host palette into penColours.
template <typename Pixel = uint8_t>
void convertPalette();
