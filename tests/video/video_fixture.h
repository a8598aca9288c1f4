// Helpers of the video tests: a machine with clear video RAM, cells, patterns and sprite entries.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "driver/program_loop.h"
#include "support/test_support.h"
#include "video/display.h"
#include "video/frame_store.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/screenshot.h"
#include "video/sprites.h"

// Fresh machine (every record reset), video RAM zeroed; PenLookup entry n gives host index n mod 256.
inline void freshVideo() {
  freshMachine();
  memset(machineMemory + PALETTE_RAM, 0, 0x2000);
  memset(machineMemory + LAYER0_MAP, 0, 0x4000);
  memset(machineMemory + CHARACTER_RAM, 0, 0x10000);
  memset(machineMemory + SPRITE_RAM, 0, 0x1000);
  memset(machineMemory + SCROLL_REGISTERS, 0, 0x1000);
  for (int i = 0; i < PEN_LOOKUP_SIZE; ++i)
    colourTables.penLookup[i] = uint8_t(i);
}

// Store byte at frame column x (negative: the previous line's end) of frame line `line`.
inline uint8_t& pixelAt(int x, int line) { return frameStore.pixels[frameOffset(line) + x]; }

// Sets pen p at (x, y) of a packed pattern of the given width: tile t at CHARACTER_RAM + 32t, sprite n at + 64n.
inline void setPen(uint32_t pattern, int width, int x, int y, int p) {
  uint8_t& b = machineMemory[pattern + y * width / 2 + x / 2];
  b = uint8_t(x & 1 ? (b & 0xF0) | p : (b & 0x0F) | p << 4);
}
inline uint32_t tileAt(int tile) { return CHARACTER_RAM + 32 * tile; }
inline uint32_t patternAt(int n) { return CHARACTER_RAM + 64 * n; }
// Fills a pattern with pen (x + 5y) mod 15 + 1: never 0, and every row and column differs.
inline int testPen(int x, int y) { return (x + 5 * y) % 15 + 1; }
inline void fillPattern(uint32_t pattern, int width, int height) {
  for (int i = 0; i < width * height; ++i)
    setPen(pattern, width, i % width, i / width, testPen(i % width, i / width));
}

// Writes the code word and attribute word of map cell (column, row).
inline void setCell(uint32_t map, int column, int row, uint16_t code, uint16_t attribute) {
  pokeWords(map + 2 * (row * 64 + column), {code});
  pokeWords(map + ATTRIBUTE_OFFSET + 2 * (row * 64 + column), {attribute});
}

struct SpriteSetup {
  int x, y;
  uint8_t sizeCode, zoom;
  int pattern, bank;
  bool horizontalFlip, verticalFlip;
};

// Fills the entry that scan index i visits so that it is drawn as the setup describes.
inline void setSprite(int i, const SpriteSetup& s) {
  uint8_t* e = machineMemory + spriteEntryAddress(i);
  memset(e, 0, SPRITE_ENTRY_SIZE);
  e[1] = uint8_t(i);
  e[3] = uint8_t(s.sizeCode | s.horizontalFlip);
  e[5] = s.zoom;
  e[7] = uint8_t(s.pattern);
  e[9] = uint8_t((s.pattern >> 8) << 6 | s.verticalFlip << 5 | s.bank << 1);
  e[10] = uint8_t(s.x >> 8);
  e[11] = uint8_t(s.x);
  e[13] = uint8_t(s.y);
}

// The bytes of a pal.bmp whose colour(k) = {b, g, r}.
template <typename Colour>
std::vector<uint8_t> paletteBytes(Colour colour) {
  std::vector<uint8_t> file(PALETTE_FILE_MINIMUM, 0);
  for (int k = 0; k < 256; ++k)
    for (int i = 0; i < 3; ++i)
      file[PALETTE_FILE_OFFSET + 4 * k + i] = uint8_t(colour(k)[i]);
  return file;
}

// Makes a fresh scratch directory with a pal.bmp whose colour(k) = {b, g, r}; returns the directory.
template <typename Colour>
std::string paletteScratch(const std::string& name, Colour colour) {
  const std::string dir = makeScratchDir(name);
  writeFile(dir + "/" + PALETTE_FILE, paletteBytes(colour));
  return dir;
}
inline std::array<int, 3> grey(int k) { return {k, k, k}; }
