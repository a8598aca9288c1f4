#include <cmath>

#include "platform/headless/headless.h"
#include "video/video_fixture.h"

namespace {
// Host index of board entry n: identity colour table, palette RAM entry n holding word n.
void identityColours() {
  for (int w = 0; w < 65536; ++w)
    colourTables.colourTable[w] = uint8_t(w);
  for (int i = 0; i < 2048; ++i)
    pokeWords(PALETTE_RAM + 4 * i, {uint16_t(i >> 8), uint16_t(i & 0xFF)});
}

void fillTile(int tile, int pen) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      setTilePixel(tile, x, y, pen);
}

// Disc of pens 1..15 by distance from the centre, pen 0 outside.
void discPattern(int pattern, int width, int height) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double dx = (x + 0.5 - width / 2.0) / (width / 2.0), dy = (y + 0.5 - height / 2.0) / (height / 2.0);
      const double d = std::sqrt(dx * dx + dy * dy);
      setSpritePixel(pattern, width, x, y, d < 1 ? 1 + int(d * 14.99) : 0);
    }
}

// A full scene: a wavy striped layer 0 with a priority band, a framed layer-1 window
// scrolled across the wrap, and sprites of every size, some flipped, some zoomed.
void buildScene() {
  for (int i = 0; i < 2048; ++i) {
    const int bank = i / 16, pen = i % 16;
    const int r = (pen * 2 + bank * 3) & 31, g = (pen + bank * 5) & 31, b = (31 - pen * 2 + bank) & 31;
    pokeWords(PALETTE_RAM + 4 * i, {uint16_t((b << 10 | g << 5 | r) >> 8), uint16_t((g << 5 | r) & 0xFF)});
  }
  pokeWords(PALETTE_RAM, {0x0028, 0x0000}); // backdrop: dark blue
  for (int t = 0; t < 16; ++t)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        setTilePixel(0x10 + t, x, y, (x + y + t) % 8 ? ((x + y + t) & 7) + 1 : 0);
  for (int row = 0; row < 32; ++row)
    for (int column = 0; column < 64; ++column) {
      const uint16_t priority = row == 14 && column % 4 == 0 ? 0x4000 : 0;
      setCell(LAYER0_MAP, column, row, uint16_t(priority | (column % 3 == 0 ? 0x0800 : 0) | (0x10 + (column + row) % 16)),
              uint16_t((row / 4) | (column % 5 == 0 ? 0x80 : 0)));
    }
  for (int line = 0; line < 256; ++line) {
    const int scroll = line >= 104 && line < 128 ? 0 : int(std::lround(12 * std::sin(line / 10.0))) & 511;
    machineMemory[LAYER0_SCROLL_X_LOW + 2 * line] = uint8_t(scroll);
    machineMemory[LAYER0_SCROLL_X_HIGH + 2 * line] = uint8_t(scroll >> 8);
  }
  machineMemory[LAYER0_SCROLL_Y] = 4;
  fillTile(0x30, 3); // window border
  for (int y = 1; y < 7; ++y)
    for (int x = 1; x < 7; ++x)
      setTilePixel(0x31, x, y, (x * y) % 5 ? 0 : 9); // sparse dots, mostly transparent
  for (int row = 0; row < 8; ++row)
    for (int column = 0; column < 12; ++column) {
      const bool border = row == 0 || row == 7 || column == 0 || column == 11;
      setCell(LAYER1_MAP, (62 + column) % 64, (31 + row) % 32, uint16_t((row == 7 ? 0x4000 : 0) | (border ? 0x30 : 0x31)),
              uint16_t(20 + row));
    }
  machineMemory[LAYER1_SCROLL_X_LOW] = 0xE3; // 0x1E3 = 483: the window straddles the map's wrap
  machineMemory[LAYER1_SCROLL_X_HIGH] = 1;
  machineMemory[LAYER1_SCROLL_Y] = 0xF6;
  struct Placed { int x, y; uint8_t code, zoom; bool h, v; int width, height; };
  const Placed placed[] = {
      {20, 30, 0x00, 0x80, false, false, 32, 32}, {70, 40, 0x08, 0x80, true, false, 16, 32},
      {100, 40, 0x10, 0x80, false, true, 32, 16}, {150, 60, 0x18, 0x80, true, true, 64, 64},
      {30, 120, 0x20, 0x80, false, false, 8, 8},  {50, 120, 0x30, 0x80, false, false, 8, 16},
      {70, 120, 0x38, 0x80, true, false, 16, 16}, {100, 150, 0x38, 0x40, false, false, 16, 16},
      {180, 150, 0x00, 0xC0, true, false, 32, 32}, {220, 200, 0x18, 0x60, false, true, 64, 64},
      {240, 100, 0x00, 0x80, false, false, 32, 32},
  };
  for (int i = 0; i < int(std::size(placed)); ++i) {
    const Placed& p = placed[i];
    discPattern(256 + 32 * i, p.width, p.height);
    setSprite(10 + i, {p.x, p.y, p.code, p.zoom, 256 + 32 * i, i % 16, p.h, p.v});
  }
}
} // namespace

TEST(Compose, PassesStackInOrder) {
  // Which of layer 0 (pen 1), layer 1 (pen 2, always there) and a sprite (pen 3) shows at one pixel.
  struct Case { bool layer0Priority, layer1Priority, sprite; int scroll, shown; };
  const Case cases[] = {{false, false, false, 0, 0x22}, {false, false, true, 0, 0x33}, {false, true, true, 0, 0x22},
                        {true, false, true, 0, 0x11},   {true, true, true, 0, 0x11},   {true, true, true, 8, 0x22},
                        {true, false, true, 8, 0x33}};
  for (const Case& c : cases) {
    freshVideo();
    identityColours();
    fillTile(1, 1);
    fillTile(2, 2);
    setCell(LAYER0_MAP, 1, 2, uint16_t(c.layer0Priority ? 0x4001 : 0x0001), 1);
    setCell(LAYER0_MAP, 0, 2, uint16_t(c.layer0Priority ? 0x4001 : 0x0001), 1);
    setCell(LAYER1_MAP, 1, 2, uint16_t(c.layer1Priority ? 0x4002 : 0x0002), 2);
    machineMemory[LAYER0_SCROLL_X_LOW + 2 * 20] = uint8_t(c.scroll);
    fillTile(1000, 3);
    if (c.sprite)
      setSprite(0, {8, 16, 0x20, ZOOM_NORMAL, 500, 3, false, false});
    composeFrame();
    EXPECT_EQ(pixelAt(12, 20), c.shown) << c.layer0Priority << c.layer1Priority << c.sprite << " scroll " << c.scroll;
  }
}

TEST(Compose, FullSceneMatchesItsReferencePicture) {
  freshVideo();
  enterScratch("scene");
  writeFile("pal.bmp", palBmp([](int k) {
    return k < 216 ? std::array<int, 3>{k / 36 * 51, k / 6 % 6 * 51, k % 6 * 51}
                   : std::array<int, 3>{(k - 216) * 6, (k - 216) * 6, (k - 216) * 6};
  }));
  captureStdout(initDisplay);
  buildScene();
  renderFrame();
  ASSERT_EQ(headlessPlatform.presentCount, 1u);
  EXPECT_EQ(pictureDigest(headlessPlatform.presented, 320), 0xbb96ca999810ca53ull);
  writeBitmap("scene.bmp");
  EXPECT_TRUE(readFile("scene.bmp") == readFile(QUILLOMARK_TESTS_DIR "/video/scene_reference.bmp"))
      << "compare scene.bmp in the scratch directory with tests/video/scene_reference.bmp";
}
