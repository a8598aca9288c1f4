#include "video/palette.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "driver/memory.h"
#include "video/display.h"

ColourTables colourTables;

static bool readPaletteFile(uint8_t entries[256][4]) {
  FILE* file = fopen(PALETTE_FILE, "rb");
  if (!file)
    return false;
  bool complete = fseek(file, PALETTE_FILE_OFFSET, SEEK_SET) == 0 && fread(entries, 4, 256, file) == 256;
  fclose(file);
  return complete;
}

void buildColourTable() {
  printf("Building color table.\n");
  uint8_t entries[256][4];
  if (!readPaletteFile(entries)) {
    printf("Failed to read palette file %s\n", PALETTE_FILE);
    exit(1);
  }
  int match[256][3];
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 3; ++c)
      match[k][c] = int(std::sqrt(entries[k][c] / 255.0) * 255.0);
  for (int w = 0; w < 65536; ++w) {
    const int r = (w & 0x1F) * 8, g = ((w >> 5) & 0x1F) * 8, b = ((w >> 10) & 0x1F) * 8;
    int best = 768;
    for (int k = 0; k < 256; ++k) {
      const int d = std::abs(match[k][2] - r) + std::abs(match[k][1] - g) + std::abs(match[k][0] - b);
      if (d < best) {
        best = d;
        colourTables.colourTable[w] = uint8_t(k);
      }
    }
  }
  for (int k = 0; k < 256; ++k)
    displayContext.paletteEntries[k] = PaletteColour{entries[k][2], entries[k][1], entries[k][0], 0};
}

void convertPalette() {
  for (int i = 0; i < 2048; ++i) {
    const uint32_t entry = PALETTE_RAM + 4 * i;
    const uint32_t word = uint32_t(machineMemory[entry + 1]) << 8 | machineMemory[entry + 3];
    colourTables.penLookup[i] = colourTables.colourTable[word];
  }
  for (int i = 0; i < 2048; i += 16)
    colourTables.penLookup[i] = colourTables.penLookup[0];
}
