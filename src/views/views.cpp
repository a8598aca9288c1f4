#include "views/views.h"

#include <algorithm>
#include <cstring>

#include "cpu68k/cpu_state.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "driver/warnings.h"

namespace {
// Palette RAM holds a colour word in the low bytes of each 4-byte entry.
constexpr int PALETTE_ENTRY_BYTES = 4;
constexpr uint16_t PRIORITY_CELL_BIT = PRIORITY_BIT >> 8; // in a cell's code high byte
constexpr int MARK_CORNER = 3; // pixels of a priority cell's marked corner

ViewCell cellAt(uint32_t map, int n) {
  const uint8_t high = machineMemory[map + 2 * n], low = machineMemory[map + 2 * n + 1];
  const TileCell cell = decodeCell(high, low, machineMemory[map + ATTRIBUTE_OFFSET + 2 * n + 1]);
  return ViewCell{uint16_t(cell.tile), uint8_t(cell.bank), (high & PRIORITY_CELL_BIT) != 0, cell.horizontalFlip,
                  cell.verticalFlip};
}

void markWindow(int layer, uint8_t* picture, uint8_t mark) {
  const auto plot = [&](int x, int y) {
    picture[(y & (VIEW_MAP_HEIGHT - 1)) * VIEW_MAP_WIDTH + (x & (VIEW_MAP_WIDTH - 1))] = mark;
  };
  const int top = VISIBLE_FIRST_LINE, bottom = VISIBLE_FIRST_LINE + VISIBLE_HEIGHT - 1;
  const int scrollY = layer ? layer1ScrollY() : layer0ScrollY();
  for (int line = top; line <= bottom; ++line) {
    const int x = layer ? layer1ScrollX() : layer0ScrollX(line);
    // Layer 1's cells sit at whole-cell places moved by the scroll, as drawLayer1 places them.
    const int y = line + scrollY;
    plot(x, y);
    plot(x + VISIBLE_WIDTH - 1, y);
    if (line == top || line == bottom)
      for (int k = 1; k < VISIBLE_WIDTH - 1; ++k)
        plot(x + k, y);
  }
}
} // namespace

void viewPalette(uint8_t* picture, ViewPaletteEntry* entries) {
  for (int n = 0; n < PEN_LOOKUP_SIZE; ++n) {
    const uint8_t* entry = machineMemory + PALETTE_RAM + PALETTE_ENTRY_BYTES * n;
    const uint16_t word = uint16_t(entry[1] << 8 | entry[3]);
    const uint8_t host = colourTables.colourTable[word];
    if (entries)
      entries[n] = ViewPaletteEntry{word, host};
    uint8_t* swatch = picture + n / VIEW_PALETTE_COLUMNS * VIEW_SWATCH * VIEW_PALETTE_WIDTH + n % VIEW_PALETTE_COLUMNS * VIEW_SWATCH;
    for (int y = 0; y < VIEW_SWATCH; ++y)
      memset(swatch + y * VIEW_PALETTE_WIDTH, host, VIEW_SWATCH);
  }
}

void viewTileSheet(int bank, uint8_t* picture) {
  const uint8_t* bankPens = colourTables.penLookup + (bank & (PEN_LOOKUP_SIZE / VIEW_BANK_PENS - 1)) * VIEW_BANK_PENS;
  uint8_t tile[TILE_PIXELS];
  for (int t = 0; t < VIEW_TILE_COUNT; ++t) {
    tilePens(t, tile);
    uint8_t* corner = picture + t / VIEW_TILES_ACROSS * 8 * VIEW_TILE_SHEET_WIDTH + t % VIEW_TILES_ACROSS * 8;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        corner[y * VIEW_TILE_SHEET_WIDTH + x] = bankPens[tile[8 * y + x]];
  }
}

void viewTileMap(int layer, uint8_t* picture, bool marks, uint8_t markIndex, ViewLayer* numbers) {
  const uint32_t map = layer ? LAYER1_MAP : LAYER0_MAP;
  // Layer 0 is drawn from the bitmap composition keeps; layer 1 from the map and character RAM, as
  // every pass draws it.
  static LayerBitmap decoded;
  static TileCellCache cache;
  const LayerBitmap* bitmap = &layerState.bitmap;
  if (layer) {
    memset(&cache, 0xFF, sizeof cache); // every cell decoded
    refreshLayerBitmap(map, decoded, cache);
    bitmap = &decoded;
  }
  const uint8_t* pens = colourTables.penLookup;
  for (int y = 0; y < VIEW_MAP_HEIGHT; ++y)
    for (int x = 0; x < VIEW_MAP_WIDTH; ++x)
      picture[y * VIEW_MAP_WIDTH + x] = pens[bitmap->pixels[y][x] & (PEN_LOOKUP_SIZE - 1)];
  for (int n = 0; n < LAYER_CELLS; ++n) {
    const ViewCell cell = cellAt(map, n);
    if (numbers)
      numbers->cells[n] = cell;
    if (marks && cell.priority) {
      uint8_t* corner = picture + n / LAYER_COLUMNS * 8 * VIEW_MAP_WIDTH + n % LAYER_COLUMNS * 8;
      for (int k = 0; k < MARK_CORNER; ++k)
        corner[k] = corner[k * VIEW_MAP_WIDTH] = markIndex;
    }
  }
  if (marks)
    markWindow(layer, picture, markIndex);
  if (numbers) {
    for (int line = 0; line < FRAME_LINES; ++line)
      numbers->scrollX[line] = uint16_t(layer ? layer1ScrollX() : layer0ScrollX(line));
    numbers->scrollY = uint16_t(layer ? layer1ScrollY() : layer0ScrollY());
  }
}

void viewSprites(ViewSprite* sprites) {
  for (int i = 0; i < SPRITE_COUNT; ++i) {
    const uint32_t address = spriteEntryAddress(i);
    const uint8_t* e = machineMemory + address;
    const SpriteVerdict verdict = spriteVerdict(e, i);
    const bool drawn = verdict == SPRITE_DRAWN;
    sprites[i] = ViewSprite{address,
                            int16_t(spriteX(e)),
                            int16_t(e[13]),
                            uint8_t(spriteWidth(e)),
                            uint8_t(spriteHeight(e)),
                            uint16_t(drawn ? spriteShownWidth(e) : 0),
                            uint16_t(drawn ? spriteShownHeight(e) : 0),
                            e[5],
                            (e[3] & 1) != 0,
                            (e[9] & 0x20) != 0,
                            uint8_t((e[9] >> 1) & 15),
                            uint16_t((e[9] >> 6) << 8 | e[7]),
                            verdict};
  }
}

void viewMemory(uint32_t address, uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t at = (address + uint32_t(i)) & ADDRESS_MASK;
    bytes[i] = at < MEMORY_SIZE ? machineMemory[at] : 0;
  }
}

void viewCpu(ViewCpu* cpu) {
  for (int r = 0; r < 8; ++r) {
    cpu->d[r] = cpuState.regs[r];
    cpu->a[r] = cpuState.regs[REG_A0 + r];
  }
  // A7 is the active stack pointer; the other one waits in usp or ssp.
  cpu->usp = cpuState.s ? cpuState.usp : cpuState.regs[REG_A7];
  cpu->ssp = cpuState.s ? cpuState.regs[REG_A7] : cpuState.ssp;
  cpu->pc = getPc();
  cpu->sr = currentSr();
  cpu->stopped = cpuState.stopped != 0;
  cpu->instructionBytes = disassembleMemory(cpu->pc, cpu->instruction, sizeof cpu->instruction);
}

namespace {
// Composes the parts (and with a sprite given, that sprite alone, as the inspector does) into the
// store, lets read take what it needs, and puts back what composition keeps; warnings unprinted.
template <typename Read> void composeAside(unsigned parts, int onlySprite, Read read) {
  static FrameStore store;
  static LayerState layers;
  static uint8_t pens[PEN_LOOKUP_SIZE];
  store = frameStore;
  layers = layerState;
  memcpy(pens, colourTables.penLookup, sizeof pens);
  const SpriteState sprites = spriteState;
  const WarningBudget warnings = warningBudget;
  warningBudget.sink = [](const char*) {};
  if (onlySprite >= 0) {
    spriteState.inspecting = true;
    spriteState.inspectedSlot = uint8_t(onlySprite);
  }
  composeParts(parts);
  read();
  frameStore = store;
  layerState = layers;
  memcpy(colourTables.penLookup, pens, sizeof pens);
  spriteState = sprites;
  warningBudget = warnings;
}
} // namespace

void viewPicture(unsigned parts, uint8_t* picture) {
  composeAside(parts, -1, [&] {
    for (int y = 0; y < VISIBLE_HEIGHT; ++y)
      memcpy(picture + y * VISIBLE_WIDTH, frameLine(VISIBLE_FIRST_LINE + y), VISIBLE_WIDTH);
  });
}

void viewSpritePicture(int index, uint8_t* picture) {
  const uint8_t* entry = machineMemory + spriteEntryAddress(index);
  memset(picture, colourTables.penLookup[0], VIEW_SPRITE_SIDE * VIEW_SPRITE_SIDE);
  if (spriteVerdict(entry, index) != SPRITE_DRAWN)
    return;
  composeAside(COMPOSE_SPRITES, index, [&] {
    // Drawn where the frame draws it, then cut out: what the store's edges cut stays entry 0.
    const int x = spriteX(entry), y = entry[13];
    const int width = std::min(spriteShownWidth(entry), VIEW_SPRITE_SIDE);
    const int height = std::min(spriteShownHeight(entry), VIEW_SPRITE_SIDE);
    for (int row = 0; row < height && y + row <= LAST_FRAME_LINE; ++row)
      for (int column = 0; column < width; ++column) {
        const int at = frameOffset(y + row) + x + column;
        if (at < FRAME_STORE_LINES * FRAME_STORE_WIDTH)
          picture[row * VIEW_SPRITE_SIDE + column] = frameStore.pixels[at];
      }
  });
}

uint8_t viewMarkIndex() {
  int best = 0, brightest = -1;
  for (int k = 0; k < HOST_PALETTE_SIZE; ++k) {
    const PaletteColour& c = colourTables.hostPalette[k];
    const int brightness = c.red + c.green + c.blue;
    if (brightness > brightest) {
      brightest = brightness;
      best = k;
    }
  }
  return uint8_t(best);
}
