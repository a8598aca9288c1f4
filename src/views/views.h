// Live views of the board for the programmers of its games: pictures of host palette indices and
// the numbers they show, computed from the machine as it stands through the code that composes
// the picture, with the pens of the last composition. None of them changes the machine.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cpu68k/disassemble.h"
#include "video/compose.h"
#include "video/frame_store.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/sprites.h"

// Palette RAM: 2048 entries, two banks of 16 to a row, each a square swatch.
inline constexpr int VIEW_SWATCH = 8;
inline constexpr int VIEW_PALETTE_COLUMNS = 32;
inline constexpr int VIEW_PALETTE_WIDTH = VIEW_PALETTE_COLUMNS * VIEW_SWATCH;
inline constexpr int VIEW_PALETTE_HEIGHT = PEN_LOOKUP_SIZE / VIEW_PALETTE_COLUMNS * VIEW_SWATCH;
// Character RAM as the layers read it: 2048 tiles of 8x8, 64 to a row.
inline constexpr int VIEW_TILE_COUNT = 2048;
inline constexpr int VIEW_TILES_ACROSS = 64;
inline constexpr int VIEW_TILE_SHEET_WIDTH = VIEW_TILES_ACROSS * 8;
inline constexpr int VIEW_TILE_SHEET_HEIGHT = VIEW_TILE_COUNT / VIEW_TILES_ACROSS * 8;
// A whole tile map: 64x32 cells.
inline constexpr int VIEW_MAP_WIDTH = LAYER_COLUMNS * 8;
inline constexpr int VIEW_MAP_HEIGHT = LAYER_ROWS * 8;
inline constexpr int VIEW_LAYER_COUNT = 2;
// A sprite's own picture: the largest side it covers, a 64-pixel pattern at the smallest step.
inline constexpr int VIEW_SPRITE_SIDE = 128;
// Pens a bank holds: a tile sheet is shown in one bank of 16.
inline constexpr int VIEW_BANK_PENS = 16;

struct ViewPaletteEntry {
  uint16_t word;     // the colour word: bits 14-10 blue, 9-5 green, 4-0 red
  uint8_t hostIndex; // the host colour it shows as
};

// One cell of a tile map.
struct ViewCell {
  uint16_t tile;   // 0..2047
  uint8_t bank;    // 0..127
  bool priority, horizontalFlip, verticalFlip;
};

// A layer's numbers: its scroll and its cells.
struct ViewLayer {
  uint16_t scrollX[FRAME_LINES]; // per frame line (layer 1 scrolls as a whole: every line alike)
  uint16_t scrollY;
  ViewCell cells[LAYER_CELLS];
};

// A sprite entry in scan order, read as the composition reads it.
struct ViewSprite {
  uint32_t address;
  int16_t x, y;
  uint8_t width, height;           // the pattern's size (0 x 0: none)
  uint16_t shownWidth, shownHeight; // what a drawn entry covers, zoom included
  uint8_t zoom;                    // 0x80: normal size
  bool horizontalFlip, verticalFlip;
  uint8_t bank;
  uint16_t pattern;
  SpriteVerdict verdict;
};

// The CPU as a programmer reads it.
struct ViewCpu {
  uint32_t d[8], a[8];
  uint32_t usp, ssp, pc;
  uint16_t sr;
  bool stopped;
  char instruction[DISASSEMBLY_TEXT_SIZE]; // the instruction at the PC, disassembled
  int instructionBytes;
};

// The 2048 palette RAM entries: their swatches (VIEW_PALETTE_WIDTH x VIEW_PALETTE_HEIGHT) and,
// when entries is not null, their words and host colours.
void viewPalette(uint8_t* picture, ViewPaletteEntry* entries);
// Character RAM as a tile sheet (VIEW_TILE_SHEET_WIDTH x VIEW_TILE_SHEET_HEIGHT) through the pens
// of bank (0..127), as a layer cell of that bank shows it.
void viewTileSheet(int bank, uint8_t* picture);
// A layer's (0 or 1) whole tile map (VIEW_MAP_WIDTH x VIEW_MAP_HEIGHT) as composition decodes it,
// layer 1's transparent pixels in entry 0; with marks, the visible window (per line for layer 0)
// and a corner of every priority cell drawn in markIndex. Its numbers into layer when not null.
void viewTileMap(int layer, uint8_t* picture, bool marks, uint8_t markIndex, ViewLayer* numbers);
// The 256 sprite entries in scan order.
void viewSprites(ViewSprite* sprites);
// The sprite at scan index (0..255) as the frame draws it, alone, cut out at its place
// (VIEW_SPRITE_SIDE square, its shown size from the top-left); entry 0 where it is clear, and all
// of it for an entry that is not drawn.
void viewSpritePicture(int index, uint8_t* picture);
// count bytes of the address space from address into bytes, zero outside the image.
void viewMemory(uint32_t address, uint8_t* bytes, size_t count);
// The registers, the status register and the instruction at the PC.
void viewCpu(ViewCpu* cpu);
// The picture of the machine as it stands (VISIBLE_WIDTH x VISIBLE_HEIGHT), composed with only the
// parts (ComposePart bits) given, into picture; the frame composed last stays as it was.
void viewPicture(unsigned parts, uint8_t* picture);
// The host index nearest white: what the views draw their marks in.
uint8_t viewMarkIndex();
