#include "video/video_fixture.h"

namespace {
struct Size { uint8_t code; int width, height, cullLimit; };
constexpr Size SIZES[] = {{0x00, 32, 32, 288}, {0x08, 16, 32, 304}, {0x10, 32, 16, 288}, {0x18, 64, 64, 256},
                          {0x20, 8, 8, 304},   {0x30, 8, 16, 304},  {0x38, 16, 16, 304}};

// Pattern whose pixel (x, y) has pen (x + 5y) mod 15 + 1 over a 64x64 area of the given width.
void fillPattern(int pattern, int width, int height) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      setSpritePixel(pattern, width, x, y, (x + 5 * y) % 15 + 1);
}

int drawnPixels() {
  int n = 0;
  for (uint8_t p : frameStore.pixels)
    n += p != 0;
  return n;
}

// A scaled entry as the stepper defines it, drawn into `out` (frame lines 0..319 - 32).
void referenceScaled(const SpriteSpec& s, int width, int height, std::vector<int>& out) {
  const int step = std::max(2 * s.zoom, 128);
  int row = s.verticalFlip ? height - 1 : 0, fy = 0, rowsDone = 0;
  for (int l = s.y;; ++l) {
    int column = s.horizontalFlip ? width - 1 : 0, fx = 0, done = 0;
    for (int c = s.x;; ++c) {
      const uint8_t b = machineMemory[CHARACTER_RAM + 64 * s.pattern + row * (width / 2) + column / 2];
      if (const int pen = column & 1 ? b & 15 : b >> 4)
        out[(l + 32) * 320 + c] = s.bank * 16 + pen;
      for (fx += step; fx >= 256; fx -= 256)
        column += s.horizontalFlip ? -1 : 1;
      done += step;
      if (c > 256 || done >= width * 256)
        break;
    }
    rowsDone += step;
    for (fy += step; fy >= 256; fy -= 256)
      row += s.verticalFlip ? -1 : 1;
    if (l > 256 || rowsDone >= height * 256)
      break;
  }
}
} // namespace

TEST(Sprites, ScanOrderRunsDownFromEF0ThenFromFF0) {
  const int cases[][2] = {{0, 0x180EF0}, {1, 0x180EE0}, {239, 0x180000}, {240, 0x180FF0}, {255, 0x180F00}};
  for (const auto& c : cases)
    EXPECT_EQ(spriteEntryAddress(c[0]), uint32_t(c[1])) << c[0];
}

TEST(Sprites, EveryOffRuleSkipsTheEntry) {
  struct Case { int offset; uint8_t value; bool drawn; };
  const Case cases[] = {{1, 5, true}, {1, 6, false}, {9, 0x03, false}, {5, 0xFF, false},
                        {5, 0x00, false}, {3, 0xFF, false}, {3, 0x27, true}};
  for (const Case& c : cases) {
    freshVideo();
    fillPattern(0, 8, 8);
    setSprite(5, {100, 100, 0x20, ZOOM_NORMAL, 0, 1, false, false});
    machineMemory[spriteEntryAddress(5) + c.offset] = c.value;
    drawSprites();
    EXPECT_EQ(drawnPixels(), c.drawn ? 64 : 0) << c.offset << "=" << int(c.value);
  }
}

TEST(Sprites, EachSizeIsDrawnWholeBelowTheCullAndSkippedAtIt) {
  for (const Size& s : SIZES)
    for (int x : {s.cullLimit - 1, s.cullLimit}) {
      freshVideo();
      fillPattern(2, s.width, s.height);
      setSprite(0, {x, 30, s.code, ZOOM_NORMAL, 2, 3, false, false});
      drawSprites();
      const bool drawn = x < s.cullLimit;
      EXPECT_EQ(drawnPixels(), drawn ? s.width * s.height : 0) << int(s.code) << " at " << x;
      if (drawn) {
        EXPECT_EQ(pixelAt(x, 30), 0x31);
        EXPECT_EQ(pixelAt(x + s.width - 1, 30 + s.height - 1), 0x30 + (s.width - 1 + 5 * (s.height - 1)) % 15 + 1);
      }
    }
}

TEST(Sprites, UnknownSizeIsReportedAndDrawsNothingUnscaledOneRowScaled) {
  for (const auto& [zoom, x, rows] : {std::tuple{ZOOM_NORMAL, 100, 0}, {uint8_t(0x40), 100, 1}, {ZOOM_NORMAL, 288, 0}}) {
    freshVideo();
    fillPattern(1, 32, 1);
    setSprite(7, {x, 50, UNKNOWN_SIZE_CODE, zoom, 1, 0, false, false});
    EXPECT_EQ(captureStdout(drawSprites), "Unknown sprite: 28\n");
    EXPECT_EQ(drawnPixels(), rows * 64) << int(zoom) << " at " << x;
  }
}

TEST(Sprites, ZeroHeightFlippedScaledReadsTheRowBeforeItsPattern) {
  freshVideo();
  machineMemory[CHARACTER_RAM - 16] = 0x70; // row -1 of pattern 0
  setSprite(0, {10, 10, UNKNOWN_SIZE_CODE, 0x81, 0, 1, false, true});
  captureStdout(drawSprites);
  EXPECT_EQ(pixelAt(10, 10), 0x17);
}

TEST(Sprites, PatternNearTheEndOfCharacterRamReadsOnPastIt) {
  freshVideo();
  machineMemory[CHARACTER_RAM + 64 * 1023 + 64 * 32 - 1] = 0x09; // pixel (63, 63) of pattern 1023
  setSprite(0, {0, 0, 0x18, ZOOM_NORMAL, 1023, 0, false, false});
  drawSprites();
  EXPECT_EQ(pixelAt(63, 63), 9);
}

TEST(Sprites, RowsBelowTheStoreAreClipped) {
  for (bool flip : {false, true}) {
    freshVideo();
    fillPattern(4, 64, 64);
    setSprite(0, {0, 255, 0x18, ZOOM_NORMAL, 4, 1, false, flip});
    drawSprites();
    EXPECT_EQ(drawnPixels(), 64 * 33);
    EXPECT_EQ(pixelAt(0, LAST_FRAME_LINE), 0x10 + (5 * (flip ? 31 : 32)) % 15 + 1);
  }
}

TEST(Sprites, FlipsMirrorTheWholeSpriteAndZoom81CoversTheSamePixels) {
  for (const Size& s : SIZES)
    for (int flips = 0; flips < 4; ++flips) {
      const bool h = flips & 1, v = flips & 2;
      freshVideo();
      fillPattern(6, s.width, s.height);
      setSprite(0, {40, 40, s.code, ZOOM_NORMAL, 6, 2, h, v});
      drawSprites();
      for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
          ASSERT_EQ(pixelAt(40 + (h ? s.width - 1 - x : x), 40 + (v ? s.height - 1 - y : y)),
                    0x20 + (x + 5 * y) % 15 + 1) << int(s.code) << " flips " << flips;
      const FrameStore unscaled = frameStore;
      memset(&frameStore, 0, sizeof frameStore);
      machineMemory[spriteEntryAddress(0) + 5] = 0x81;
      drawSprites();
      EXPECT_EQ(memcmp(&unscaled, &frameStore, sizeof frameStore), 0) << int(s.code) << " flips " << flips;
    }
}

TEST(Sprites, ZoomedRowsPickSourcePixelsByTheStepper) {
  struct Case { uint8_t zoom; std::vector<int> sources; };
  std::vector<int> doubled;
  for (int i = 0; i < 32; ++i)
    doubled.push_back(i / 2);
  const Case cases[] = {{0xC0, {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15}}, {0x40, doubled}, {0x10, doubled}};
  for (const Case& c : cases) {
    freshVideo();
    for (int x = 0; x < 16; ++x)
      setSpritePixel(0, 16, x, 0, x % 15 + 1);
    setSprite(0, {20, 20, 0x38, c.zoom, 0, 0, false, false});
    drawSprites();
    for (size_t k = 0; k < c.sources.size(); ++k)
      EXPECT_EQ(pixelAt(20 + int(k), 20), c.sources[k] % 15 + 1) << int(c.zoom) << " pixel " << k;
    EXPECT_EQ(pixelAt(20 + int(c.sources.size()), 20), 0) << int(c.zoom);
  }
}

TEST(Sprites, ScaledDrawingFollowsTheStepperUpToColumnAndLine257) {
  std::vector<int> expected(320 * 320);
  for (const Size& s : SIZES)
    for (uint8_t zoom : {1, 64, 100, 127, 129, 192, 254})
      for (int flips = 0; flips < 4; ++flips)
        for (const auto& [x, y] : {std::pair{10, 20}, {230, 240}, {s.cullLimit - 1, 255}}) {
          freshVideo();
          fillPattern(9, s.width, s.height);
          const SpriteSpec spec{x, y, s.code, zoom, 9, 5, (flips & 1) != 0, (flips & 2) != 0};
          setSprite(0, spec);
          drawSprites();
          std::fill(expected.begin(), expected.end(), 0);
          referenceScaled(spec, s.width, s.height, expected);
          for (int i = 0; i < 320 * 320; ++i)
            ASSERT_EQ(frameStore.pixels[i], expected[i])
                << int(s.code) << " zoom " << int(zoom) << " flips " << flips << " at " << x << "," << y;
        }
}

TEST(Sprites, FlippedScaledSpritesShiftColourAtSomeCounts) {
  // zoomedSpriteCount before the entry is drawn, the flips, and whether pens move one entry up.
  struct Case { uint32_t before; bool h, v, shifted; };
  const Case cases[] = {{0x7F, true, false, true},  {0x7F, false, true, false}, {0xFF, false, true, true},
                        {0xFF, true, false, false}, {0x17F, true, false, true}, {0x17F, false, true, true},
                        {0x7E, true, true, false},  {0x7F, false, false, false}};
  for (const Case& c : cases) {
    freshVideo();
    setSpritePixel(0, 8, 0, 0, 15);
    setSpritePixel(0, 8, 7, 0, 15);
    setSpritePixel(0, 8, 0, 7, 15);
    setSpritePixel(0, 8, 7, 7, 15);
    spriteState.zoomedSpriteCount = c.before;
    setSprite(0, {50, 50, 0x20, 0x81, 0, 15, c.h, c.v});
    drawSprites();
    EXPECT_EQ(pixelAt(50, 50), c.shifted ? 256 % 256 : 255) << std::hex << c.before << c.h << c.v;
    EXPECT_EQ(spriteState.zoomedSpriteCount, c.before + 1);
  }
}

TEST(Sprites, InspectorDrawsOnlyItsSlotAndPrintsItsAddress) {
  freshVideo();
  fillPattern(0, 8, 8);
  setSprite(2, {10, 10, 0x20, ZOOM_NORMAL, 0, 1, false, false});
  setSprite(3, {30, 10, 0x20, ZOOM_NORMAL, 0, 1, false, false});
  hostControls.spriteInspector = 1;
  hostControls.inspectedSlot = 3;
  EXPECT_EQ(captureStdout(drawSprites), "180ec0\n");
  EXPECT_EQ(drawnPixels(), 64);
  EXPECT_EQ(pixelAt(30, 10), 0x11);
  machineMemory[spriteEntryAddress(3) + 1] = 0; // off: still reported
  memset(&frameStore, 0, sizeof frameStore);
  EXPECT_EQ(captureStdout(drawSprites), "180ec0\n");
  EXPECT_EQ(drawnPixels(), 0);
}
