#include <cmath>

#include "driver/board.h"
#include "platform/headless/headless.h"
#include "video/compose.h"
#include "video/video_fixture.h"

namespace {
void fillTile(int tile, int pen) { memset(machineMemory + tileAt(tile), pen * 0x11, 32); }

// A full scene: wavy striped layer 0 with a priority band on unscrolled lines, a framed layer-1
// window across the map's wrap with a priority bottom row, and discs of every size, flipped and zoomed.
void buildScene() {
  for (int i = 0; i < 2048; ++i) {
    const int r = (i % 16 * 2 + i / 16 * 3) & 31, g = (i % 16 + i / 16 * 5) & 31, b = (31 - i % 16 * 2 + i / 16) & 31;
    pokeWords(PALETTE_RAM + 4 * i, {uint16_t(i ? b << 2 | g >> 3 : 0x28), uint16_t(i ? (g << 5 | r) & 0xFF : 0)});
  }
  for (int t = 0; t < 16; ++t)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        setPen(tileAt(0x10 + t), 8, x, y, (x + y + t) % 8 ? ((x + y + t) & 7) + 1 : 0);
  for (int row = 0; row < 32; ++row)
    for (int col = 0; col < 64; ++col)
      setCell(LAYER0_MAP, col, row, uint16_t((row == 14 && col % 4 == 0) << 14 | (col % 3 == 0) << 11 | (0x10 + (col + row) % 16)),
              uint16_t(row / 4 | (col % 5 == 0) << 7));
  for (int line = 0; line < 256; ++line) {
    const int scroll = line >= 104 && line < 128 ? 0 : int(std::lround(12 * std::sin(line / 10.0))) & 511;
    pokeWords(SCROLL_REGISTERS + 2 * line, {uint16_t(scroll & 0xFF)});
    pokeWords(SCROLL_REGISTERS + 0x200 + 2 * line, {uint16_t(scroll >> 8)});
  }
  pokeWords(SCROLL_REGISTERS + 0xF80, {4});
  fillTile(0x30, 3);
  for (int y = 1; y < 7; ++y)
    for (int x = 1; x < 7; ++x)
      setPen(tileAt(0x31), 8, x, y, (x * y) % 5 ? 0 : 9);
  for (int row = 0; row < 8; ++row)
    for (int col = 0; col < 12; ++col)
      setCell(LAYER1_MAP, (62 + col) % 64, (31 + row) % 32,
              uint16_t((row == 7) << 14 | (row % 7 == 0 || col % 11 == 0 ? 0x30 : 0x31)), uint16_t(20 + row));
  pokeWords(SCROLL_REGISTERS + 0x400, {0xE3, 1}); // 0x1E3: the window straddles the wrap
  pokeWords(SCROLL_REGISTERS + 0x600, {1});
  pokeWords(SCROLL_REGISTERS + 0xF00, {0xF6});
  const SpriteSetup discs[] = {{20, 30, 0x00, 0x80, 0, 0, false, false},  {70, 40, 0x08, 0x80, 0, 1, true, false},
                              {100, 40, 0x10, 0x80, 0, 2, false, true},  {150, 60, 0x18, 0x80, 0, 3, true, true},
                              {30, 120, 0x20, 0x80, 0, 4, false, false}, {50, 120, 0x30, 0x80, 0, 5, false, false},
                              {70, 120, 0x38, 0x80, 0, 6, true, false},  {100, 150, 0x38, 0x40, 0, 7, false, false},
                              {180, 150, 0x00, 0xC0, 0, 8, true, false}, {220, 200, 0x18, 0x60, 0, 9, false, true},
                              {240, 100, 0x00, 0x80, 0, 10, false, false}};
  for (int i = 0; i < int(std::size(discs)); ++i) {
    constexpr int WIDTHS[8] = {32, 16, 32, 64, 8, 32, 8, 16}, HEIGHTS[8] = {32, 32, 16, 64, 8, 0, 16, 16};
    const int width = WIDTHS[discs[i].sizeCode >> 3], height = HEIGHTS[discs[i].sizeCode >> 3];
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const double d = std::hypot((2 * x + 1.0) / width - 1, (2 * y + 1.0) / height - 1);
        setPen(patternAt(256 + 32 * i), width, x, y, d < 1 ? 1 + int(d * 14.99) : 0);
      }
    SpriteSetup s = discs[i];
    s.pattern = 256 + 32 * i;
    setSprite(10 + i, s);
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
    for (int w = 0; w < 65536; ++w) // host index of board entry n is n mod 256
      colourTables.colourTable[w] = uint8_t(w);
    for (int i = 0; i < 2048; ++i)
      pokeWords(PALETTE_RAM + 4 * i, {uint16_t(i >> 8), uint16_t(i & 0xFF)});
    fillTile(1, 1);
    fillTile(2, 2);
    fillTile(1000, 3);
    setCell(LAYER0_MAP, 0, 2, uint16_t(c.layer0Priority << 14 | 1), 1); // line 20 scrolled by 8 shows cell 0
    setCell(LAYER0_MAP, 1, 2, uint16_t(c.layer0Priority << 14 | 1), 1);
    setCell(LAYER1_MAP, 1, 2, uint16_t(c.layer1Priority << 14 | 2), 2);
    machineMemory[LAYER0_SCROLL_X_LOW + 2 * 20] = uint8_t(c.scroll);
    if (c.sprite)
      setSprite(0, {8, 16, 0x20, ZOOM_NORMAL, 500, 3, false, false});
    composeFrame();
    EXPECT_EQ(pixelAt(12, 20), c.shown) << c.layer0Priority << c.layer1Priority << c.sprite << " scroll " << c.scroll;
  }
}

TEST(Compose, FullSceneMatchesItsReferencePicture) {
  freshVideo();
  const auto colour = [](int k) { return k < 216 ? std::array{k / 36 * 51, k / 6 % 6 * 51, k % 6 * 51} : grey((k - 216) * 6); };
  ASSERT_TRUE(inDirectory(paletteScratch("scene", colour), [] {
    ASSERT_EQ(startDisplay(), "");
    buildScene();
    renderFrame();
    ASSERT_EQ(headlessPlatform.presentCount, 1u);
    EXPECT_EQ(pictureDigest(headlessPlatform.presented, 320), 0xbb96ca999810ca53ull);
    writeBitmap(FILE_SNAPSHOT, "scene.bmp");
    EXPECT_TRUE(readFile("scene.bmp") == readFile(QUILLOMARK_TESTS_DIR "/video/scene_reference.bmp"))
        << "compare scene.bmp in the scratch directory with tests/video/scene_reference.bmp";
  }));
}

// The XRGB8888 store gets the index store's picture through the host palette, over passes that
// scroll both layers and step the zoomed-sprite count across the flipped sprites' pen shifts.
TEST(Compose, TheColourPictureIsTheIndexPictureThroughTheHostPalette) {
  freshVideo();
  const auto colour = [](int k) { return std::array{k, 255 - k, k * 7 & 255}; }; // all distinct
  const std::vector<uint8_t> file = paletteBytes(colour);
  char message[80];
  ASSERT_TRUE(loadPalette(file.data(), file.size(), message, sizeof message));
  buildScene();
  for (int pass = 0; pass < 200; ++pass) {
    pokeWords(SCROLL_REGISTERS + 0x400, {uint16_t(pass * 3 & 0xFF)});
    pokeWords(SCROLL_REGISTERS + 0xF00, {uint16_t(pass * 5 & 0xFF)});
    pokeWords(SCROLL_REGISTERS + 0xF80, {uint16_t(pass & 0xFF)});
    const uint32_t count = spriteState.zoomedSpriteCount;
    composeFrame<uint8_t>();
    spriteState.zoomedSpriteCount = count;
    composeFrame<uint32_t>();
    int wrong = 0;
    for (int line = 0; line < FRAME_LINES; ++line)
      for (int x = 0; x < FRAME_WIDTH; ++x) {
        const std::array<int, 3> c = colour(frameLine(line)[x]);
        wrong += frameLine<uint32_t>(line)[x] != uint32_t(c[2] << 16 | c[1] << 8 | c[0]);
      }
    ASSERT_EQ(wrong, 0) << "pass " << pass << ", zoomed sprites " << count;
  }
}
