#include <sys/stat.h>

#include "video/video_fixture.h"

namespace {
// Frame store line L, column x holds (3L + x) mod 256 (borders and margins too); palette entry k is (k, 255-k, k/2).
void fillPictureAndPalette() {
  for (int line = -FRAME_TOP; line <= LAST_FRAME_LINE; ++line)
    for (int x = 0; x < FRAME_STORE_WIDTH; ++x)
      pixelAt(x, line) = uint8_t(3 * line + x);
  for (int k = 0; k < 256; ++k)
    displayContext.paletteEntries[k] = PaletteColour{uint8_t(k), uint8_t(255 - k), uint8_t(k / 2), 0x99};
}
} // namespace

TEST(Bitmap, HeaderPaletteRowsAndBordersAreExact) {
  freshVideo();
  enterScratch("bitmap");
  fillPictureAndPalette();
  writeSnapshotBitmap();
  const std::vector<uint8_t> file = readFile("vortane.bmp");
  ASSERT_EQ(file.size(), 77878u);
  const std::vector<uint8_t> header = {
      0x42, 0x4D, 0x36, 0x30, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x04, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00,
      0x40, 0x01, 0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C,
      0x01, 0x00, 0xCE, 0x0E, 0x00, 0x00, 0xC4, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 54), header);
  for (int k = 0; k < 256; ++k)
    ASSERT_EQ(std::vector<uint8_t>(file.begin() + 54 + 4 * k, file.begin() + 58 + 4 * k),
              (std::vector<uint8_t>{uint8_t(k / 2), uint8_t(255 - k), uint8_t(k), 0})) << k;
  for (int row = 0; row < 240; ++row) // bottom-up: file row 0 is frame line 247
    for (int x = 0; x < 320; ++x) {
      const int line = 247 - row;
      const uint8_t expected = x < 32 || x >= 288 ? 0 : uint8_t(3 * line + x - 32);
      ASSERT_EQ(file[1078 + 320 * row + x], expected) << "row " << row << " x " << x;
    }
}

TEST(Bitmap, FrameShotsStopAfter101FilesAndSkipFilesThatCannotBeCreated) {
  freshVideo();
  const std::string dir = enterScratch("frameshots");
  writeFrameShot(); // no bmps directory yet: 000 is skipped, the count moves on
  EXPECT_EQ(screenshotState.frameShotCount, 1);
  ASSERT_EQ(mkdir("bmps", 0755), 0);
  for (int i = 0; i < 105; ++i)
    writeFrameShot();
  EXPECT_EQ(screenshotState.frameShotCount, 101);
  EXPECT_TRUE(readFile("bmps/000.bmp").empty());
  EXPECT_EQ(readFile("bmps/001.bmp").size(), 77878u);
  EXPECT_EQ(readFile("bmps/100.bmp").size(), 77878u);
  EXPECT_TRUE(readFile("bmps/101.bmp").empty());
}
