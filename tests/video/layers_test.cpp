#include "driver/board.h"
#include "video/video_fixture.h"

namespace {
void refresh() { refreshLayerBitmap(LAYER0_MAP, layerState.bitmap, layerState.cache); }
void setScroll0(int line, int scroll) {
  machineMemory[LAYER0_SCROLL_X_LOW + 2 * line] = uint8_t(scroll);
  machineMemory[LAYER0_SCROLL_X_HIGH + 2 * line] = uint8_t(0xFE | scroll >> 8); // only bit 0 counts
}
} // namespace

TEST(LayerBitmap, DecodesTileBankFlipsAndUpperCodeBits) {
  for (int flips = 0; flips < 4; ++flips) {
    const bool h = flips & 1, v = flips & 2;
    freshVideo();
    fillPattern(tileAt(0x5A3), 8, 8);
    // Cell (63, 31): tile 0x5A3, vertical flip in bit 11, bits 12..15 set; bank 0x55, horizontal flip in bit 7.
    setCell(LAYER0_MAP, 63, 31, uint16_t(0xF5A3 | v << 11), uint16_t(0xFF55 | h << 7));
    refresh();
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(layerState.bitmap.pixels[248 + (v ? 7 - y : y)][504 + (h ? 7 - x : x)], 0xF550 | testPen(x, y))
            << flips << " at " << x << "," << y;
  }
}

TEST(LayerBitmap, CacheRedecodesOnlyWhenCodeOrAttributeLowByteChanges) {
  freshVideo();
  fillPattern(tileAt(0), 8, 8); // cell (0,0) is all zero: matches the zero cache and is not decoded at first
  setCell(LAYER0_MAP, 1, 0, 0x0007, 0x0002);
  setPen(tileAt(7), 8, 0, 0, 9);
  const uint16_t* line = layerState.bitmap.pixels[0];
  refresh();
  EXPECT_EQ(line[0], 0);
  EXPECT_EQ(line[8], 0x29);
  setPen(tileAt(7), 8, 0, 0, 4);                           // the pattern alone: old pixels stay
  machineMemory[LAYER0_MAP + ATTRIBUTE_OFFSET + 2] = 0x77; // attribute high byte is not compared
  refresh();
  EXPECT_EQ(line[8], 0x29);
  machineMemory[LAYER0_MAP + ATTRIBUTE_OFFSET + 3] = 0x03;
  setCell(LAYER0_MAP, 0, 0, 0x1000, 0); // only an upper code bit changes: tile 0 is decoded now
  refresh();
  EXPECT_EQ(line[8], 0x34);
  EXPECT_EQ(line[1], 0x1000 | testPen(1, 0));
}

TEST(LayerZero, BasePassScrollsEachLineAndWrapsBothWays) {
  struct Case { int scroll, vertical, line, x, bitmapX, bitmapY; };
  const Case cases[] = {{511, 0, 5, 1, 0, 5},    {511, 0, 5, 0, 511, 5},    {0, 250, 10, 0, 0, 4},
                        {300, 0, 0, 255, 43, 0}, {256, 7, 255, 17, 273, 6}, {1, 255, 1, 3, 4, 0}};
  for (const Case& c : cases) {
    freshVideo();
    for (int y = 0; y < 256; ++y) // host index tells the bitmap coordinates modulo 16
      for (int x = 0; x < 512; ++x)
        layerState.bitmap.pixels[y][x] = uint16_t((y & 15) << 4 | (x & 15));
    setScroll0(c.line, c.scroll);
    machineMemory[LAYER0_SCROLL_Y] = uint8_t(c.vertical);
    drawLayer0Base();
    EXPECT_EQ(pixelAt(c.x, c.line), (c.bitmapY & 15) << 4 | (c.bitmapX & 15)) << c.scroll << "," << c.line;
  }
}

TEST(LayerZero, PriorityPassOnlyOnUnscrolledLinesAndNonZeroPens) {
  struct Case { int scroll; uint16_t entry; bool drawn; };
  const Case cases[] = {{0, 0x4123, true},   {1, 0x4123, false}, {256, 0x4123, false},
                        {0, 0x0123, false}, {0, 0x4120, false}, {0, 0xF7FF, true}};
  for (const Case& c : cases) {
    freshVideo();
    layerState.bitmap.pixels[20][30] = c.entry;
    setScroll0(10, c.scroll);
    machineMemory[LAYER0_SCROLL_Y] = 10; // frame line 10 shows bitmap line 20
    pixelAt(30, 10) = 0xEE;
    drawLayer0Priority();
    EXPECT_EQ(pixelAt(30, 10), c.drawn ? (c.entry & 0x7FF) % 256 : 0xEE) << std::hex << c.entry << " " << c.scroll;
  }
}

TEST(LayerOne, GridFollowsScrollIntoTheMargins) {
  // Where the top-left pixel of map cell (column, row) lands in the frame.
  struct Case { int scrollX, scrollY, column, row, frameX, frameY; };
  const Case cases[] = {{504, 0, 63, 0, 0, 0},     {504, 0, 0, 0, 8, 0},      {3, 5, 0, 0, -3, -5},
                        {3, 5, 1, 1, 5, 3},        {0, 250, 0, 31, 0, -2},    {0, 250, 0, 0, 0, 6},
                        {511, 255, 63, 31, -7, -7}, {0, 0, 32, 0, 256, 0},    {8, 8, 33, 1, 256, 0}};
  for (const Case& c : cases)
    for (int pass = 0; pass < 2; ++pass) {
      freshVideo();
      setPen(tileAt(1), 8, 1, 0, 5); // both flips put it at (6, 7)
      setCell(LAYER1_MAP, c.column, c.row, uint16_t(0x4801), 0x0082);
      drawLayer1(LAYER1_MAP, c.scrollX, c.scrollY, pass);
      EXPECT_EQ(pixelAt(c.frameX + 6, c.frameY + 7), pass ? 0x25 : 0) << c.scrollX << "," << c.scrollY;
      EXPECT_EQ(pixelAt(c.frameX + 1, c.frameY), 0) << "pen 0 is not written";
    }
}
