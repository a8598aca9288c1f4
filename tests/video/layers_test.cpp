#include "video/video_fixture.h"

namespace {
// Tile whose pixel (x, y) has pen (x + 3y) mod 15 + 1: no pen 0, rows and columns all differ.
void fillTile(int tile) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      setTilePixel(tile, x, y, (x + 3 * y) % 15 + 1);
}
int tilePen(int x, int y) { return (x + 3 * y) % 15 + 1; }
} // namespace

TEST(LayerBitmap, DecodesTileBankFlipsAndUpperCodeBits) {
  struct Case { uint8_t flips; bool h, v; };
  const Case cases[] = {{0x00, false, false}, {0x01, true, false}, {0x02, false, true}, {0x03, true, true}};
  for (const Case& c : cases) {
    freshVideo();
    fillTile(0x5A3);
    // Cell (63, 31): tile 0x5A3, vertical flip in bit 11, bits 12..15 all set; bank 0x55.
    setCell(LAYER0_MAP, 63, 31, uint16_t(0xF5A3 | (c.v ? 0x0800 : 0)), uint16_t(0xFF55 | (c.h ? 0x80 : 0)));
    refreshLayerBitmap(LAYER0_MAP, layerState.bitmap, layerState.cache);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(layerState.bitmap.pixels[248 + (c.v ? 7 - y : y)][504 + (c.h ? 7 - x : x)],
                  0xF000 | 0x55 << 4 | tilePen(x, y))
            << int(c.flips) << " at " << x << "," << y;
  }
}

TEST(LayerBitmap, CacheRedecodesOnlyWhenCodeOrAttributeLowByteChanges) {
  freshVideo();
  fillTile(0); // cell (0,0) is all zero: matches the zero cache and is not decoded at first
  setCell(LAYER0_MAP, 1, 0, 0x0007, 0x0002);
  setTilePixel(7, 0, 0, 9);
  auto refresh = [] { refreshLayerBitmap(LAYER0_MAP, layerState.bitmap, layerState.cache); };
  auto at = [](int x) { return layerState.bitmap.pixels[0][x]; };
  refresh();
  EXPECT_EQ(at(0), 0);
  EXPECT_EQ(at(8), 0x29);
  setTilePixel(7, 0, 0, 4); // pattern alone: old pixels stay
  machineMemory[LAYER0_MAP + ATTRIBUTE_OFFSET + 2] = 0x77; // attribute high byte is not compared
  refresh();
  EXPECT_EQ(at(8), 0x29);
  machineMemory[LAYER0_MAP + ATTRIBUTE_OFFSET + 3] = 0x03;
  refresh();
  EXPECT_EQ(at(8), 0x34);
  setCell(LAYER0_MAP, 0, 0, 0x1000, 0); // only the upper code bits change: tile 0 is decoded now
  refresh();
  EXPECT_EQ(at(1), 0x1000 | tilePen(1, 0));
}

TEST(LayerZero, BasePassScrollsEachLineAndWrapsBothWays) {
  // Bitmap entry (x, y) = (y mod 16) << 4 | x mod 16, so host index tells both coordinates.
  struct Case { int scroll, vertical, line, x, bitmapX, bitmapY; };
  const Case cases[] = {
      {511, 0, 5, 1, 0, 5},    {511, 0, 5, 0, 511, 5},   {0, 250, 10, 0, 0, 4},
      {300, 0, 0, 255, 43, 0}, {256, 7, 255, 17, 273, 6}, {1, 255, 1, 3, 4, 0},
  };
  for (const Case& c : cases) {
    freshVideo();
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 512; ++x)
        layerState.bitmap.pixels[y][x] = uint16_t((y & 15) << 4 | (x & 15));
    machineMemory[LAYER0_SCROLL_X_LOW + 2 * c.line] = uint8_t(c.scroll);
    machineMemory[LAYER0_SCROLL_X_HIGH + 2 * c.line] = uint8_t(0xFE | c.scroll >> 8); // only bit 0 counts
    machineMemory[LAYER0_SCROLL_Y] = uint8_t(c.vertical);
    drawLayer0Base();
    EXPECT_EQ(pixelAt(c.x, c.line), (c.bitmapY & 15) << 4 | (c.bitmapX & 15)) << c.scroll << "," << c.line;
  }
}

TEST(LayerZero, PriorityPassOnlyOnUnscrolledLinesAndNonZeroPens) {
  struct Case { int scroll; uint16_t entry; bool drawn; };
  const Case cases[] = {{0, 0x4123, true}, {1, 0x4123, false}, {256, 0x4123, false}, {0, 0x0123, false},
                        {0, 0x4120, false}, {0, 0xF7FF, true}};
  for (const Case& c : cases) {
    freshVideo();
    layerState.bitmap.pixels[20][30] = c.entry;
    pokeWords(SCROLL_REGISTERS + 2 * 10, {uint16_t(c.scroll & 0xFF)});
    pokeWords(SCROLL_REGISTERS + 0x200 + 2 * 10, {uint16_t(c.scroll >> 8)});
    machineMemory[LAYER0_SCROLL_Y] = 10; // frame line 10 shows bitmap line 20
    pixelAt(30, 10) = 0xEE;
    drawLayer0Priority();
    EXPECT_EQ(pixelAt(30, 10), c.drawn ? (c.entry & 0x7FF) % 256 : 0xEE) << std::hex << c.entry << " " << c.scroll;
  }
}

TEST(LayerOne, GridFollowsScrollIntoTheMargins) {
  // Where the left and top edge of map cell (column, row) land in the frame.
  struct Case { int scrollX, scrollY, column, row, frameX, frameY; };
  const Case cases[] = {{504, 0, 63, 0, 0, 0},      {504, 0, 0, 0, 8, 0},      {3, 5, 0, 0, -3, -5},
                        {3, 5, 1, 1, 5, 3},         {0, 250, 0, 31, 0, -2},    {0, 250, 0, 0, 0, 6},
                        {511, 255, 63, 31, -7, -7}, {0, 0, 32, 32 % 32, 256, 0}, {8, 16, 32, 0, 248, -16 + 256},
                        {8, 8, 33, 1, 256, 0}};
  for (const Case& c : cases) {
    freshVideo();
    setTilePixel(1, 0, 0, 5);
    setTilePixel(1, 7, 7, 6);
    setCell(LAYER1_MAP, c.column, c.row, 0x0001, 0x0002);
    drawLayer1(LAYER1_MAP, c.scrollX, c.scrollY, 0);
    EXPECT_EQ(pixelAt(c.frameX, c.frameY), 0x25) << c.scrollX << "," << c.scrollY;
    EXPECT_EQ(pixelAt(c.frameX + 7, c.frameY + 7), 0x26) << c.scrollX << "," << c.scrollY;
    EXPECT_EQ(pixelAt(c.frameX + 1, c.frameY), 0) << "pen 0 is not written";
  }
}

TEST(LayerOne, PassesSplitOnThePriorityBitAndFlipsMirror) {
  freshVideo();
  fillTile(3);
  setCell(LAYER1_MAP, 0, 0, 0x0003, 0x0001);          // no priority
  setCell(LAYER1_MAP, 1, 0, 0x4803, 0x0082);          // priority, both flips
  drawLayer1(LAYER1_MAP, 0, 0, 0);
  EXPECT_EQ(pixelAt(2, 1), 0x10 | tilePen(2, 1));
  EXPECT_EQ(pixelAt(8 + 2, 1), 0);
  drawLayer1(LAYER1_MAP, 0, 0, 1);
  EXPECT_EQ(pixelAt(8 + 2, 1), 0x20 | tilePen(5, 6));
}
