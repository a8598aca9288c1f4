#include "video/layers.h"

#include "driver/board.h"
#include "driver/memory.h"
#include "video/frame_store.h"
#include "video/palette.h"

LayerState layerState;
uint8_t layerBitmapChanged[BITMAP_BLOCKS];

constexpr int CELL_LINES = 8; // a cell's pixels across and lines down
inline constexpr int BITMAP_WIDTH = LAYER_COLUMNS * CELL_LINES;
inline constexpr int BITMAP_LINES = LAYER_ROWS * CELL_LINES;
inline constexpr int GRID_CELLS = 33; // layer-1 cells across and down, partial cells at both edges

int layer0ScrollX(int line) {
  return (machineMemory[LAYER0_SCROLL_X_HIGH + 2 * line] & 1) << 8 | machineMemory[LAYER0_SCROLL_X_LOW + 2 * line];
}
int layer0ScrollY() { return machineMemory[LAYER0_SCROLL_Y]; }
int layer1ScrollX() { return (machineMemory[LAYER1_SCROLL_X_HIGH] & 1) << 8 | machineMemory[LAYER1_SCROLL_X_LOW]; }
int layer1ScrollY() { return machineMemory[LAYER1_SCROLL_Y]; }

TileCell decodeCell(uint8_t high, uint8_t low, uint8_t attribute) {
  return TileCell{(high & 7) << 8 | low, (high & 0x08) != 0, (attribute & 0x80) != 0, attribute & 0x7F};
}

namespace {

// Pattern row r of a tile as 8 nibbles, the leftmost pixel in the top nibble.
uint32_t tileRow(int tile, int r) {
  const uint8_t* bytes = machineMemory + CHARACTER_RAM + 32 * tile + 4 * r;
  return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// Pen of drawn pixel k (0..7, left to right) of a row, mirrored or not.
template <bool MIRROR>
int rowPen(uint32_t row, int k) {
  return row >> (MIRROR ? 4 * k : 28 - 4 * k) & 15;
}

template <bool MIRROR>
void decodeCellRows(const TileCell& cell, uint16_t base, uint16_t* target) {
  for (int r = 0; r < 8; ++r) {
    const uint32_t row = tileRow(cell.tile, r);
    uint16_t* line = target + (cell.verticalFlip ? 7 - r : r) * (LAYER_COLUMNS * 8);
    for (int k = 0; k < 8; ++k)
      line[k] = uint16_t(base | rowPen<MIRROR>(row, k));
  }
}

// Draws a layer-1 tile with its top-left pixel at store offset origin; pen 0 is not written.
template <typename Pixel, bool MIRROR>
void drawTile(const TileCell& cell, int origin, const Pixel* pens) {
  for (int r = 0; r < 8; ++r) {
    const uint32_t row = tileRow(cell.tile, r);
    if (row == 0)
      continue;
    Pixel* target = storeOf<Pixel>().pixels + origin + (cell.verticalFlip ? 7 - r : r) * FRAME_STORE_WIDTH;
    for (int k = 0; k < 8; ++k)
      if (const int pen = rowPen<MIRROR>(row, k))
        target[k] = pens[pen];
  }
}
} // namespace

void tilePens(int tile, uint8_t* pens) {
  for (int r = 0; r < 8; ++r) {
    const uint32_t row = tileRow(tile, r);
    for (int k = 0; k < 8; ++k)
      pens[8 * r + k] = uint8_t(rowPen<false>(row, k));
  }
}

void refreshLayerBitmap(uint32_t mapAddress, LayerBitmap& bitmap, TileCellCache& cache) {
  const uint8_t* codes = machineMemory + mapAddress;
  const uint8_t* attributes = codes + ATTRIBUTE_OFFSET;
  for (int n = 0; n < LAYER_CELLS; ++n) {
    const uint8_t high = codes[2 * n], low = codes[2 * n + 1], attribute = attributes[2 * n + 1];
    uint8_t* cached = cache.cells[n];
    if (cached[0] == high && cached[1] == low && cached[2] == attribute)
      continue;
    cached[0] = high;
    cached[1] = low;
    cached[2] = attribute;
    const TileCell cell = decodeCell(high, low, attribute);
    const uint16_t base = uint16_t((high & 0xF0) << 8 | cell.bank << 4);
    const int column = n % LAYER_COLUMNS * 8, line = n / LAYER_COLUMNS * 8;
    uint16_t* target = &bitmap.pixels[line][column];
    if (cell.horizontalFlip)
      decodeCellRows<true>(cell, base, target);
    else
      decodeCellRows<false>(cell, base, target);
    // Each of the cell's lines lies within one block.
    for (int r = 0; r < CELL_LINES; ++r) {
      const size_t at = size_t(line + r) * sizeof bitmap.pixels[0] + column * sizeof bitmap.pixels[0][0];
      layerBitmapChanged[at >> CHANGE_BLOCK_SHIFT] = 1;
    }
  }
}

template <typename Pixel>
void drawLayer0Base() {
  const Pixel* pens = penTable<Pixel>();
  const int v = layer0ScrollY();
  for (int line = 0; line < FRAME_LINES; ++line) {
    const uint16_t* source = layerState.bitmap.pixels[(line + v) & (BITMAP_LINES - 1)];
    Pixel* target = frameLine<Pixel>(line);
    const int s = layer0ScrollX(line);
    // The line wraps once at most: from column s to the bitmap's end, then from column 0.
    const int first = BITMAP_WIDTH - s < FRAME_WIDTH ? BITMAP_WIDTH - s : FRAME_WIDTH;
    for (int x = 0; x < first; ++x)
      target[x] = pens[source[s + x] & 0x7FF];
    for (int x = first; x < FRAME_WIDTH; ++x)
      target[x] = pens[source[x - first] & 0x7FF];
  }
}

template <typename Pixel>
void drawLayer0Priority() {
  const Pixel* pens = penTable<Pixel>();
  const int v = layer0ScrollY();
  for (int line = 0; line < FRAME_LINES; ++line) {
    if (layer0ScrollX(line) != 0)
      continue;
    const uint16_t* source = layerState.bitmap.pixels[(line + v) & (BITMAP_LINES - 1)];
    Pixel* target = frameLine<Pixel>(line);
    for (int x = 0; x < FRAME_WIDTH; ++x) {
      const uint16_t e = source[x];
      if ((e & PRIORITY_BIT) && (e & 15))
        target[x] = pens[e & 0x7FF];
    }
  }
}

template <typename Pixel>
void drawLayer1(uint32_t mapAddress, int scrollX, int scrollY, int pass) {
  const uint8_t* codes = machineMemory + mapAddress;
  const uint8_t* attributes = codes + ATTRIBUTE_OFFSET;
  const uint8_t wanted = pass ? PRIORITY_BIT >> 8 : 0;
  // The grid's top-left pixel sits up to 7 columns and lines before the frame's;
  // the store's margins take what falls outside.
  const int left = -(scrollX & 7), top = -(scrollY & 7);
  for (int i = 0; i < GRID_CELLS; ++i) {
    const int mapColumn = (scrollX / 8 + i) % LAYER_COLUMNS;
    for (int j = 0; j < GRID_CELLS; ++j) {
      const int n = (scrollY / 8 + j) % LAYER_ROWS * LAYER_COLUMNS + mapColumn;
      const uint8_t high = codes[2 * n];
      if ((high & (PRIORITY_BIT >> 8)) != wanted)
        continue;
      const TileCell cell = decodeCell(high, codes[2 * n + 1], attributes[2 * n + 1]);
      const Pixel* pens = penTable<Pixel>() + cell.bank * 16;
      const int origin = frameOffset(top + 8 * j) + left + 8 * i;
      if (cell.horizontalFlip)
        drawTile<Pixel, true>(cell, origin, pens);
      else
        drawTile<Pixel, false>(cell, origin, pens);
    }
  }
}

template void drawLayer0Base<uint8_t>();
template void drawLayer0Base<uint32_t>();
template void drawLayer0Priority<uint8_t>();
template void drawLayer0Priority<uint32_t>();
template void drawLayer1<uint8_t>(uint32_t, int, int, int);
template void drawLayer1<uint32_t>(uint32_t, int, int, int);
