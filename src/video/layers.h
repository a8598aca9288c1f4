// The two tile layers: layer 0 held as a decoded bitmap with per-line scroll,
// layer 1 drawn tile by tile with one scroll for the whole layer.
#pragma once
#include <cstdint>

#include "driver/memory.h"

inline constexpr int LAYER_COLUMNS = 64;                 // cells across a layer map
inline constexpr int LAYER_ROWS = 32;                    // cells down a layer map
inline constexpr int LAYER_CELLS = LAYER_COLUMNS * LAYER_ROWS;
inline constexpr uint32_t ATTRIBUTE_OFFSET = 0x2000;     // attribute words follow the code words by this
inline constexpr uint32_t LAYER0_SCROLL_X_LOW = 0x190001; // + 2 x line: bits 0..7 of the line's scroll
inline constexpr uint32_t LAYER0_SCROLL_X_HIGH = 0x190201; // + 2 x line: bit 0 is bit 8 of the scroll
inline constexpr uint32_t LAYER1_SCROLL_X_LOW = 0x190401;
inline constexpr uint32_t LAYER1_SCROLL_X_HIGH = 0x190601;
inline constexpr uint32_t LAYER0_SCROLL_Y = 0x190F81;
inline constexpr uint32_t LAYER1_SCROLL_Y = 0x190F01;
inline constexpr uint16_t PRIORITY_BIT = 0x4000;         // in code words and bitmap entries

// Layer 0 decoded: pen | bank << 4 | code-word bits 12..15.
struct LayerBitmap {
  uint16_t pixels[LAYER_ROWS * 8][LAYER_COLUMNS * 8];
};

// Code high byte, code low byte and attribute low byte of each cell when it was last decoded.
struct TileCellCache {
  uint8_t cells[LAYER_CELLS][3];
};

struct LayerState {
  LayerBitmap bitmap;
  TileCellCache cache;
};

extern LayerState layerState;

// Blocks of the bitmap (CHANGE_BLOCK_BYTES each) whose cells were decoded since rewind last looked:
// 1 when the block may differ from what rewind kept.
inline constexpr uint32_t BITMAP_BLOCKS = sizeof(LayerBitmap) >> CHANGE_BLOCK_SHIFT;
extern uint8_t layerBitmapChanged[BITMAP_BLOCKS];

// Layer-0 horizontal scroll of a frame line (0..255), 0..511.
int layer0ScrollX(int line);
// Layer-0 vertical scroll, 0..255.
int layer0ScrollY();
// Layer-1 horizontal scroll, 0..511.
int layer1ScrollX();
// Layer-1 vertical scroll, 0..255.
int layer1ScrollY();
// One map cell as both layers read it.
struct TileCell {
  int tile;          // 0..2047
  bool verticalFlip;
  bool horizontalFlip;
  int bank;          // 0..127
};

// The cell whose code word is high, low and whose attribute word's low byte is attribute.
TileCell decodeCell(uint8_t high, uint8_t low, uint8_t attribute);
// Pixels of a tile, unflipped.
inline constexpr int TILE_PIXELS = 64;
// The pens (0..15) of tile's 8x8 pixels, row by row, as a cell shows it unflipped.
void tilePens(int tile, uint8_t* pens);
// Decodes into bitmap the cells of the map at mapAddress whose three bytes differ from cache, and
// marks their blocks in layerBitmapChanged.
void refreshLayerBitmap(uint32_t mapAddress, LayerBitmap& bitmap, TileCellCache& cache);
// The drawers write the store of Pixel (frame_store.h) with the pens of penTable<Pixel>().
// Layer-0 base pass: every pixel of the working frame from layerState.bitmap, per-line scroll.
template <typename Pixel = uint8_t>
void drawLayer0Base();
// Layer-0 priority pass: priority pixels of pen 1..15 on lines whose scroll is 0.
template <typename Pixel = uint8_t>
void drawLayer0Priority();
// Draws the layer-1 cells whose priority bit equals pass (0 or 1), pen 0 transparent.
template <typename Pixel = uint8_t>
void drawLayer1(uint32_t mapAddress, int scrollX, int scrollY, int pass);
