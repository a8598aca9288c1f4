#include "video/palette.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/board.h"
#include "driver/memory.h"

ColourTables colourTables;

uint8_t matchValue(uint8_t v) { return uint8_t(std::sqrt(v / 255.0) * 255.0); }

// Nearest host entry by the sum of component distances, ties to the lowest index.
// Bit 15 of a colour word is ignored, so 32768 searches fill both halves. For each
// red/green pair the red+green part is summed once; the blue loop then runs over
// 16-bit lanes that the compiler vectorises.
void fillColourTable(const uint8_t entries[256][4]) {
  alignas(32) int16_t red[256], green[256], blue[256];
  for (int k = 0; k < 256; ++k) {
    blue[k] = matchValue(entries[k][0]);
    green[k] = matchValue(entries[k][1]);
    red[k] = matchValue(entries[k][2]);
  }
  for (int g = 0; g < 32; ++g)
    for (int r = 0; r < 32; ++r) {
      alignas(32) int16_t partial[256];
      for (int k = 0; k < 256; ++k)
        partial[k] = int16_t(std::abs(red[k] - r * 8) + std::abs(green[k] - g * 8));
      for (int b = 0; b < 32; ++b) {
        alignas(32) int16_t distance[256];
        int16_t best = 768;
        for (int k = 0; k < 256; ++k) {
          distance[k] = int16_t(partial[k] + std::abs(blue[k] - b * 8));
          best = distance[k] < best ? distance[k] : best;
        }
        int k = 0;
        while (distance[k] != best)
          ++k;
        const int word = b << 10 | g << 5 | r;
        colourTables.colourTable[word] = uint8_t(k);
        colourTables.colourTable[word | 0x8000] = uint8_t(k);
      }
    }
}

bool loadPalette(const uint8_t* bytes, size_t size, char* message, int messageSize) {
  if (!bytes || size < size_t(PALETTE_FILE_MINIMUM)) {
    snprintf(message, size_t(messageSize), "Cannot read the 256 colours of %s", PALETTE_FILE);
    return false;
  }
  uint8_t entries[256][4];
  memcpy(entries, bytes + PALETTE_FILE_OFFSET, sizeof entries);
  fillColourTable(entries);
  // The host palette gets the file's colours as they are; only matching is brightened.
  for (int k = 0; k < 256; ++k) {
    colourTables.hostPalette[k] = PaletteColour{entries[k][2], entries[k][1], entries[k][0], 0};
    colourTables.hostColours[k] = xrgbOf(colourTables.hostPalette[k]);
  }
  return true;
}

template <typename Pixel>
void convertPalette() {
  uint8_t* pens = colourTables.penLookup;
  const uint8_t* entry = machineMemory + PALETTE_RAM;
  for (int i = 0; i < PEN_LOOKUP_SIZE; ++i, entry += 4)
    pens[i] = colourTables.colourTable[entry[1] << 8 | entry[3]];
  // Pen 0 of every bank shows board palette entry 0.
  for (int i = 0; i < PEN_LOOKUP_SIZE; i += 16)
    pens[i] = pens[0];
  if constexpr (std::is_same_v<Pixel, uint32_t>)
    for (int i = 0; i < PEN_LOOKUP_SIZE; ++i)
      colourTables.penColours[i] = colourTables.hostColours[pens[i]];
}
template void convertPalette<uint8_t>();
template void convertPalette<uint32_t>();
