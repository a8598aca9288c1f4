#include "driver/board.h"
#include "video/video_fixture.h"

namespace {
struct Size { uint8_t code; int width, height, cullLimit; };
constexpr Size SIZES[] = {{0x00, 32, 32, 288}, {0x08, 16, 32, 304}, {0x10, 32, 16, 288}, {0x18, 64, 64, 256},
                          {0x20, 8, 8, 304},   {0x30, 8, 16, 304},  {0x38, 16, 16, 304}};

int drawnPixels() {
  int n = 0;
  for (uint8_t p : frameStore.pixels)
    n += p != 0;
  return n;
}
} // namespace

TEST(Sprites, EveryOffRuleSkipsTheEntry) {
  const int cases[][3] = {{1, 5, 64}, {1, 6, 0}, {9, 0x03, 0}, {5, 0xFF, 0}, {5, 0x00, 0}, {3, 0xFF, 0}, {3, 0x27, 64}};
  for (const auto& [offset, value, pixels] : cases) {
    freshVideo();
    fillPattern(patternAt(0), 8, 8);
    setSprite(5, {100, 100, 0x20, ZOOM_NORMAL, 0, 1, false, false});
    machineMemory[spriteEntryAddress(5) + offset] = uint8_t(value);
    drawSprites();
    EXPECT_EQ(drawnPixels(), pixels) << offset << "=" << value;
  }
}

TEST(Sprites, EachSizeFlippedWholeBelowTheCullSkippedAtItAndZoom81Alike) {
  for (const Size& s : SIZES)
    for (int flips = 0; flips < 4; ++flips) {
      const bool h = flips & 1, v = flips & 2;
      freshVideo();
      fillPattern(patternAt(2), s.width, s.height);
      setSprite(0, {s.cullLimit, 30, s.code, ZOOM_NORMAL, 2, 3, h, v});
      drawSprites();
      ASSERT_EQ(drawnPixels(), 0) << int(s.code) << " at the cull limit";
      setSprite(0, {s.cullLimit - 1, 30, s.code, ZOOM_NORMAL, 2, 3, h, v});
      drawSprites();
      ASSERT_EQ(drawnPixels(), s.width * s.height) << int(s.code) << " below the cull limit";
      memset(&frameStore, 0, sizeof frameStore);
      setSprite(0, {40, 30, s.code, ZOOM_NORMAL, 2, 3, h, v});
      drawSprites();
      for (int py = 0; py < s.height; ++py)
        for (int px = 0; px < s.width; ++px)
          ASSERT_EQ(pixelAt(40 + (h ? s.width - 1 - px : px), 30 + (v ? s.height - 1 - py : py)), 0x30 + testPen(px, py))
              << int(s.code) << " flips " << flips;
      const FrameStore unscaled = frameStore;
      memset(&frameStore, 0, sizeof frameStore);
      machineMemory[spriteEntryAddress(0) + 5] = 0x81; // step 258: the scaled path, the same pixels
      drawSprites();
      EXPECT_EQ(memcmp(&unscaled, &frameStore, sizeof frameStore), 0) << int(s.code) << " flips " << flips;
    }
}

TEST(Sprites, ZoomedSpritesStepThroughSourcePixelsAndStopAfter257) {
  // Zoom and position of a 16x16 sprite; the source pixels its row 0 shows; the width and height drawn.
  struct Case { uint8_t zoom; int x, y; std::vector<int> row0; int width, height; };
  std::vector<int> doubled;
  for (int i = 0; i < 32; ++i)
    doubled.push_back(i / 2);
  const Case cases[] = {{0xC0, 20, 20, {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15}, 11, 11},
                        {0x40, 20, 20, doubled, 32, 32}, {0x10, 20, 20, doubled, 32, 32},
                        {0xFE, 20, 20, {0, 1, 3, 5, 7, 9, 11, 13, 15}, 9, 9}, {0x40, 240, 250, doubled, 18, 8},
                        {0xC0, 303, 255, {0}, 1, 3}};
  for (const Case& c : cases) {
    freshVideo();
    fillPattern(patternAt(0), 16, 16);
    setSprite(0, {c.x, c.y, 0x38, c.zoom, 0, 0, false, false});
    drawSprites();
    for (size_t k = 0; k < c.row0.size() && k < size_t(c.width); ++k)
      EXPECT_EQ(pixelAt(c.x + int(k), c.y), testPen(c.row0[k], 0)) << int(c.zoom) << " pixel " << k;
    EXPECT_EQ(drawnPixels(), c.width * c.height) << int(c.zoom) << " at " << c.x << "," << c.y;
  }
}

TEST(Sprites, FlippedScaledSpritesShiftColourAtSomeCounts) {
  // zoomedSpriteCount before the entry, its flips, and whether its pens move one entry up.
  struct Case { uint32_t before; bool h, v, shifted; };
  const Case cases[] = {{0x7F, true, false, true},  {0x7F, false, true, false}, {0xFF, false, true, true},
                        {0xFF, true, false, false}, {0x17F, true, false, true}, {0x17F, false, true, true},
                        {0x7E, true, true, false},  {0x7F, false, false, false}};
  for (const Case& c : cases) {
    freshVideo();
    memset(machineMemory + patternAt(0), 0xFF, 32); // 8x8 of pen 15
    spriteState.zoomedSpriteCount = c.before;
    setSprite(0, {50, 50, 0x20, 0x81, 0, 15, c.h, c.v});
    drawSprites();
    EXPECT_EQ(pixelAt(50, 50), c.shifted ? 256 % 256 : 255) << std::hex << c.before << c.h << c.v;
    EXPECT_EQ(spriteState.zoomedSpriteCount, c.before + 1);
  }
}

TEST(Sprites, UnknownSizePatternReadsAndRowsBelowTheStore) {
  freshVideo();
  machineMemory[CHARACTER_RAM - 16] = 0x70;                   // row -1 of pattern 0
  machineMemory[patternAt(1023) + 64 * 32 - 1] = 0x09;        // pixel (63, 63) of pattern 1023, past character RAM
  setSprite(0, {10, 10, UNKNOWN_SIZE_CODE, 0x81, 0, 1, false, true}); // flipped, zero height, scaled: one row
  setSprite(1, {100, 0, 0x18, ZOOM_NORMAL, 1023, 0, false, false});
  fillPattern(patternAt(5), 32, 1);
  setSprite(2, {200, 0, UNKNOWN_SIZE_CODE, ZOOM_NORMAL, 5, 2, false, false}); // nothing unscaled
  setSprite(3, {288, 0, UNKNOWN_SIZE_CODE, 0x81, 0, 3, false, false});        // reported, then culled
  EXPECT_EQ(captureStdout(drawSprites), "Unknown sprite: 28\nUnknown sprite: 28\nUnknown sprite: 28\n");
  EXPECT_EQ(pixelAt(200, 0), 0);
  EXPECT_EQ(pixelAt(10, 10), 0x17);
  EXPECT_EQ(pixelAt(163, 63), 9);
  for (bool flip : {false, true}) {
    freshVideo();
    fillPattern(patternAt(4), 64, 64);
    setSprite(0, {0, 255, 0x18, ZOOM_NORMAL, 4, 1, false, flip});
    drawSprites();
    EXPECT_EQ(drawnPixels(), 64 * 33);
    EXPECT_EQ(pixelAt(0, LAST_FRAME_LINE), 0x10 + testPen(0, flip ? 31 : 32));
  }
}

// The desktop's pass prints the inspected entry's address (tests/video/display_test.cpp); the
// composition itself prints nothing.
TEST(Sprites, InspectorDrawsOnlyItsSlotEvenWhenItIsOff) {
  freshVideo();
  fillPattern(patternAt(0), 8, 8);
  setSprite(2, {10, 10, 0x20, ZOOM_NORMAL, 0, 1, false, false});
  setSprite(3, {30, 10, 0x20, ZOOM_NORMAL, 0, 1, false, false});
  spriteState.inspecting = true;
  spriteState.inspectedSlot = 3;
  EXPECT_EQ(captureStdout(drawSprites), "");
  EXPECT_EQ(drawnPixels(), 64);
  EXPECT_EQ(pixelAt(30, 10), 0x11);
  machineMemory[spriteEntryAddress(3) + 1] = 0; // off: nothing drawn, not even slot 2
  memset(&frameStore, 0, sizeof frameStore);
  drawSprites();
  EXPECT_EQ(drawnPixels(), 0);
}
