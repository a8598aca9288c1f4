#include <sys/stat.h>

#include "files/file_write.h"
#include "video/video_fixture.h"

TEST(Bitmap, HeaderPaletteRowsAndBordersAreExact) {
  freshVideo();
  ASSERT_TRUE(inDirectory(paletteScratch("bitmap", grey), [] {
    for (int line = -FRAME_TOP; line <= LAST_FRAME_LINE; ++line) // margins too: they must not show
      for (int x = 0; x < FRAME_STORE_WIDTH; ++x)
        pixelAt(x, line) = uint8_t(3 * line + x);
    for (int k = 0; k < 256; ++k)
      colourTables.hostPalette[k] = PaletteColour{uint8_t(k), uint8_t(255 - k), uint8_t(k / 2), 0x99};
    writeSnapshotBitmap();
    const std::vector<uint8_t> file = readFile("vortane.bmp");
    ASSERT_EQ(file.size(), BITMAP_FILE_SIZE);
    const std::vector<uint8_t> header = {
        0x42, 0x4D, 0x36, 0x30, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x04, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00,
        0x40, 0x01, 0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C,
        0x01, 0x00, 0xCE, 0x0E, 0x00, 0x00, 0xC4, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 54), header);
    for (int k = 0; k < 256; ++k)
      ASSERT_EQ(std::vector<uint8_t>(&file[54 + 4 * k], &file[58 + 4 * k]),
                (std::vector<uint8_t>{uint8_t(k / 2), uint8_t(255 - k), uint8_t(k), 0})) << k;
    for (int row = 0; row < 240; ++row) // bottom-up: file row 0 is frame line 247
      for (int x = 0; x < 320; ++x)
        ASSERT_EQ(file[1078 + 320 * row + x], x < 32 || x >= 288 ? 0 : uint8_t(3 * (247 - row) + x - 32)) << row << "," << x;
  }));
}

TEST(Bitmap, FrameShotsCreateTheFolderStopAfter101FilesAndSkipFilesThatFail) {
  freshVideo();
  ASSERT_TRUE(inDirectory(paletteScratch("frameshots", grey), [] {
    writeFrameShot(); // no bmps folder yet: it is made
    ASSERT_EQ(mkdir("bmps/001.bmp", 0755), 0); // a folder where a picture should go
    std::string errors = captureStderr([] {
      for (int i = 0; i < 105; ++i)
        writeFrameShot();
    });
    EXPECT_EQ(errors, "Cannot write bmps/001.bmp: Is a directory\n"); // once, though later files work
    EXPECT_EQ(screenshotState.frameShotCount, 101);
    for (const auto& [name, size] : {std::pair{"bmps/000.bmp", BITMAP_FILE_SIZE}, {"bmps/002.bmp", BITMAP_FILE_SIZE},
                                     {"bmps/100.bmp", BITMAP_FILE_SIZE}, {"bmps/101.bmp", 0u}})
      EXPECT_EQ(readFile(name).size(), size) << name;
  }));
}

TEST(Bitmap, FailedSnapshotLeavesTheOldFileWhole) {
  freshVideo();
  ASSERT_TRUE(inDirectory(paletteScratch("snapshot-kept", grey), [] {
    writeSnapshotBitmap();
    const std::vector<uint8_t> before = readFile(SNAPSHOT_FILE);
    ASSERT_EQ(before.size(), BITMAP_FILE_SIZE);
    for (int n = 0; n < TEMPORARY_NAME_TRIES; ++n) // no temporary name can be created
      ASSERT_EQ(mkdir(temporaryName(SNAPSHOT_FILE, n).c_str(), 0755), 0);
    frameLine(VISIBLE_FIRST_LINE)[0] ^= 1;
    const std::string errors = captureStderr(writeSnapshotBitmap);
    EXPECT_EQ(errors, "Cannot write vortane.bmp: File exists\n");
    EXPECT_EQ(readFile(SNAPSHOT_FILE), before);
    EXPECT_TRUE(fileWriteState.anyFailed);
  }));
}
