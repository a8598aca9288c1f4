#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/save_state.h"
#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "video/compose.h"
#include "views/views.h"
#include "../video/video_fixture.h"

namespace {

// Palette entry n has colour word n, shown as host index hostOf(n): 0 for entry 0 alone (so only pen
// 0 of a bank, which shows entry 0, comes out as 0), and no two banks alike.
uint8_t hostOf(int word) { return word ? uint8_t(1 + (word * 37 + (word >> 8) * 101) % 255) : 0; }
void numberedColours() {
  for (int n = 0; n < PEN_LOOKUP_SIZE; ++n)
    pokeWords(PALETTE_RAM + 4 * n, {uint16_t(n >> 8), uint16_t(n & 0xFF)}); // bytes 1 and 3 hold it
  for (int w = 0; w < 65536; ++w)
    colourTables.colourTable[w] = hostOf(w);
}

TEST(Views, TileMapsAreWhatCompositionDraws) {
  freshVideo();
  numberedColours();
  std::mt19937 random(7);
  for (uint32_t a = CHARACTER_RAM + 32; a < CHARACTER_RAM + 0x10000; ++a) // tile 0 stays blank
    machineMemory[a] = uint8_t(random());
  for (int layer = 0; layer < VIEW_LAYER_COUNT; ++layer)
    for (int row = 0; row < LAYER_ROWS; ++row)
      for (int column = 0; column < LAYER_COLUMNS; ++column)
        // Layer 1 leaves about half its cells blank, so that layer 0 shows through.
        setCell(layer ? LAYER1_MAP : LAYER0_MAP, column, row,
                uint16_t(layer && random() % 2 ? 0 : random() & 0x4FFF), uint16_t(random() & 0xFF));
  for (int line = 0; line < FRAME_LINES; ++line) { // no line unscrolled: no layer-0 priority pass
    const int scroll = 1 + int(random() % 511);
    machineMemory[LAYER0_SCROLL_X_LOW + 2 * line] = uint8_t(scroll);
    machineMemory[LAYER0_SCROLL_X_HIGH + 2 * line] = uint8_t(scroll >> 8);
  }
  machineMemory[LAYER0_SCROLL_Y] = 37;
  machineMemory[LAYER1_SCROLL_X_LOW] = 0x2D;
  machineMemory[LAYER1_SCROLL_X_HIGH] = 1;
  machineMemory[LAYER1_SCROLL_Y] = 201;
  composeFrame();

  std::vector<uint8_t> maps[VIEW_LAYER_COUNT];
  ViewLayer numbers[VIEW_LAYER_COUNT];
  for (int layer = 0; layer < VIEW_LAYER_COUNT; ++layer) {
    maps[layer].resize(VIEW_MAP_WIDTH * VIEW_MAP_HEIGHT);
    viewTileMap(layer, maps[layer].data(), false, 0, &numbers[layer]);
  }
  EXPECT_EQ(numbers[0].scrollY, 37);
  EXPECT_EQ(numbers[1].scrollX[100], 0x12D);
  const auto at = [&](int layer, int x, int y) {
    return maps[layer][(y & (VIEW_MAP_HEIGHT - 1)) * VIEW_MAP_WIDTH + (x & (VIEW_MAP_WIDTH - 1))];
  };
  // The picture with every part and with layer 1 alone (entry 0, host index 0, where it is clear).
  std::vector<uint8_t> whole(VISIBLE_WIDTH * VISIBLE_HEIGHT), layer1(whole.size());
  viewPicture(COMPOSE_ALL, whole.data());
  viewPicture(COMPOSE_LAYER1, layer1.data());
  int mismatches = 0, fromLayer1 = 0;
  for (int line = 0; line < FRAME_LINES; ++line)
    for (int x = 0; x < FRAME_WIDTH; ++x) {
      const uint8_t top = at(1, x + numbers[1].scrollX[line], line + numbers[1].scrollY);
      const uint8_t shown = top ? top : at(0, x + numbers[0].scrollX[line], line + numbers[0].scrollY);
      fromLayer1 += top != 0;
      mismatches += frameLine(line)[x] != shown;
      const int y = line - VISIBLE_FIRST_LINE;
      if (y >= 0 && y < VISIBLE_HEIGHT)
        mismatches += whole[y * VISIBLE_WIDTH + x] != shown || layer1[y * VISIBLE_WIDTH + x] != top;
    }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(fromLayer1, FRAME_LINES * FRAME_WIDTH / 4);
  // The cells as the test wrote them.
  const ViewCell& cell = numbers[0].cells[5 * LAYER_COLUMNS + 9];
  const uint32_t word = LAYER0_MAP + 2 * (5 * LAYER_COLUMNS + 9);
  EXPECT_EQ(cell.tile, (machineMemory[word] & 7) << 8 | machineMemory[word + 1]);
  EXPECT_EQ(cell.priority, (machineMemory[word] & 0x40) != 0);
  EXPECT_EQ(cell.bank, machineMemory[word + ATTRIBUTE_OFFSET + 1] & 0x7F);
}

TEST(Views, SpriteTableReadsTheEntriesAsWritten) {
  freshVideo();
  const struct {
    int index;
    SpriteSetup setup;
    int width, height;
    SpriteVerdict verdict;
  } cases[] = {
      {0, {40, 60, 0x38, ZOOM_NORMAL, 0x1A3, 5, true, false}, 16, 16, SPRITE_DRAWN},
      {17, {300, 2, 0x18, 0x40, 0x2FF, 15, false, true}, 64, 64, SPRITE_OFF_SCREEN},
      {239, {0x100, 255, 0x20, 0xC0, 7, 0, true, true}, 8, 8, SPRITE_DRAWN},
      {255, {10, 10, 0x00, 0, 1, 1, false, false}, 32, 32, SPRITE_ZERO_ZOOM},
  };
  for (const auto& c : cases)
    setSprite(c.index, c.setup);
  ViewSprite sprites[SPRITE_COUNT];
  viewSprites(sprites);
  for (const auto& c : cases) {
    const ViewSprite& s = sprites[c.index];
    EXPECT_EQ(s.address, spriteEntryAddress(c.index));
    EXPECT_EQ(s.x, c.setup.x) << c.index;
    EXPECT_EQ(s.y, c.setup.y) << c.index;
    EXPECT_EQ(s.width, c.width) << c.index;
    EXPECT_EQ(s.height, c.height) << c.index;
    EXPECT_EQ(s.zoom, c.setup.zoom) << c.index;
    EXPECT_EQ(s.pattern, c.setup.pattern) << c.index;
    EXPECT_EQ(s.bank, c.setup.bank) << c.index;
    EXPECT_EQ(s.horizontalFlip, c.setup.horizontalFlip) << c.index;
    EXPECT_EQ(s.verticalFlip, c.setup.verticalFlip) << c.index;
    EXPECT_EQ(s.verdict, c.verdict) << c.index;
  }
  EXPECT_EQ(sprites[1].verdict, SPRITE_NOT_ITS_INDEX);
  // Entry 0's own picture: its pattern mirrored, through bank 5; entry 1 is not drawn at all.
  numberedColours();
  fillPattern(patternAt(0x1A3), 16, 16);
  std::vector<uint8_t> picture(VIEW_SPRITE_SIDE * VIEW_SPRITE_SIDE);
  int wrong = 0;
  viewSpritePicture(0, picture.data());
  for (int row = 0; row < 16; ++row)
    for (int column = 0; column < 16; ++column)
      wrong += picture[row * VIEW_SPRITE_SIDE + column] != hostOf(5 * VIEW_BANK_PENS + testPen(15 - column, row));
  EXPECT_EQ(picture[16], 0); // right of the sprite: clear
  viewSpritePicture(1, picture.data());
  EXPECT_EQ(wrong + std::count(picture.begin(), picture.end(), 0), int(picture.size()));
  EXPECT_EQ(sprites[239].shownWidth, 6); // 8 pixels at 384/256 of a pixel a step
}

TEST(Views, PaletteCpuAndMemoryReadTheMachineAndChangeNothing) {
  freshVideo();
  numberedColours();
  char message[64];
  ASSERT_TRUE(buildCpuTables(message, sizeof message));
  for (int r = 0; r < 16; ++r)
    cpuState.regs[r] = 0x1000u * uint32_t(r) + 1;
  cpuState.s = 1;
  cpuState.usp = 0xABCD;
  ccrWord = CCR_Z | CCR_X;
  cpuState.intMask = 5;
  pokeWords(0x4000, {0x7005}); // moveq #5,d0
  setPc(0x4000);
  const std::vector<uint8_t> before = [] {
    std::vector<uint8_t> state(stateSize());
    saveState(state.data());
    return state;
  }();
  const FrameStore storeBefore = frameStore;

  std::vector<uint8_t> picture(VIEW_TILE_SHEET_WIDTH * VIEW_MAP_HEIGHT * 2);
  std::vector<ViewPaletteEntry> entries(PEN_LOOKUP_SIZE);
  viewPalette(picture.data(), entries.data());
  EXPECT_EQ(entries[1234].word, 1234);
  EXPECT_EQ(entries[1234].hostIndex, hostOf(1234));
  EXPECT_EQ(picture[1234 / VIEW_PALETTE_COLUMNS * VIEW_SWATCH * VIEW_PALETTE_WIDTH + 1234 % VIEW_PALETTE_COLUMNS * VIEW_SWATCH + 3],
            hostOf(1234));
  viewTileSheet(3, picture.data());
  viewTileMap(0, picture.data(), true, viewMarkIndex(), nullptr);
  viewTileMap(1, picture.data(), true, viewMarkIndex(), nullptr);
  viewPicture(COMPOSE_SPRITES, picture.data());
  ViewSprite sprites[SPRITE_COUNT];
  viewSprites(sprites);
  ViewCpu cpu;
  viewCpu(&cpu);
  EXPECT_EQ(cpu.d[3], 0x3001u);
  EXPECT_EQ(cpu.a[7], 0xF001u);
  EXPECT_EQ(cpu.ssp, 0xF001u);
  EXPECT_EQ(cpu.usp, 0xABCDu);
  EXPECT_EQ(cpu.pc, 0x4000u);
  EXPECT_EQ(cpu.sr, 0x2514); // S, mask 5, X, Z
  EXPECT_EQ(cpu.instructionBytes, 2);
  EXPECT_STREQ(cpu.instruction, "moveq #5,d0");
  uint8_t bytes[4];
  viewMemory(MEMORY_SIZE - 2, bytes, sizeof bytes);
  EXPECT_EQ(bytes[0], machineMemory[MEMORY_SIZE - 2]);
  EXPECT_EQ(bytes[2] | bytes[3], 0);

  std::vector<uint8_t> after(stateSize());
  saveState(after.data());
  EXPECT_EQ(before, after);
  EXPECT_EQ(memcmp(&storeBefore, &frameStore, sizeof frameStore), 0);
}

} // namespace
