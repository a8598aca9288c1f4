#include <stdio_ext.h>
#include <sys/stat.h>

#include <algorithm>

#include "driver/board.h"
#include "driver/frame_loop.h"
#include "host/on_screen.h"
#include "platform/headless/headless.h"
#include "video/video_fixture.h"

namespace {
// Opens the headless display (pal.bmp from the working directory), with a layer-0 picture that differs
// on every line.
void openDisplay() {
  freshVideo();
  ASSERT_EQ(startDisplay(), "");
  for (int w = 0; w < 65536; ++w)
    colourTables.colourTable[w] = uint8_t(w);
  for (int i = 0; i < 2048; ++i)
    pokeWords(PALETTE_RAM + 4 * i, {uint16_t(i >> 8), uint16_t(i & 0xFF)});
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 512; ++x)
      layerState.bitmap.pixels[y][x] = uint16_t((x + 3 * y) % 255 + 1);
}

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint8_t b : bytes)
    h = (h ^ b) * 0x100000001b3ull;
  return h;
}
} // namespace

TEST(Display, CopiesFrameLines8To247ToColumn32AndNothingElse) {
  ASSERT_TRUE(inDirectory(paletteScratch("display-copy", grey), [] {
    openDisplay();
    memset(headlessPlatform.backBuffer, 0x77, sizeof headlessPlatform.backBuffer);
    renderFrame();
    ASSERT_EQ(headlessPlatform.presentCount, 1u);
    for (int r = 0; r < 240; ++r)
      for (int x = 0; x < 320; ++x)
        ASSERT_EQ(headlessPlatform.presented[320 * r + x], x < 32 || x >= 288 ? 0x77 : pixelAt(x - 32, r + 8)) << r << "," << x;
    EXPECT_NE(pixelAt(0, 7), pixelAt(0, 8));
  }));
}

TEST(Display, LockFailureEndsThePassEvenWhileInspecting) {
  for (const auto& [result, restores] : {std::pair{PLATFORM_FAILED, 0u}, {PLATFORM_SURFACE_LOST, 1u}}) {
    ASSERT_TRUE(inDirectory(paletteScratch("display-lock", grey), [&] {
      openDisplay();
      spriteState.inspector = 1;
      headlessFail(STEP_LOCK, result, 1);
      EXPECT_EQ(captureStdout(renderFrame), "180ef0\nLock failed\n");
      EXPECT_EQ(headlessPlatform.presentCount, 0u);
      EXPECT_EQ(headlessPlatform.restoreCount, restores);
      EXPECT_STREQ(headlessPlatform.text, "");
    }));
  }
}

TEST(Display, InspectorRepeatsPassesAndAFailedFlipStillGivesTextAndShot) {
  ASSERT_TRUE(inDirectory(paletteScratch("display-inspector", grey), [] {
    openDisplay();
    ASSERT_EQ(mkdir("bmps", 0755), 0);
    spriteState.inspector = 1;
    spriteState.inspectedSlot = 255;
    hostControls.frameShotsOn = 1;
    headlessScript(1, MSG_KEYDOWN, VKEY_F5); // 255 + 1 shows 0
    headlessScript(3, MSG_KEYDOWN, VKEY_I);  // the third pass returns
    headlessFail(STEP_PRESENT, PLATFORM_SURFACE_LOST, 1);
    size_t pending = 1;
    // Each line is out as it is printed, so that a pipe or file sees it during the run.
    EXPECT_EQ(captureStdout([&] {
                renderFrame();
                pending = __fpending(stdout);
              }),
              "180ef0\nFlip failed\n180ef0\n");
    EXPECT_EQ(pending, 0u);
    EXPECT_EQ(frameLoopState.passCount, 3u);
    EXPECT_EQ(headlessPlatform.presentCount, 2u);
    EXPECT_EQ(headlessPlatform.restoreCount, 1u);
    EXPECT_STREQ(headlessPlatform.text, "0   ");
    EXPECT_EQ(readFile("bmps/002.bmp").size(), BITMAP_FILE_SIZE);
    EXPECT_EQ(readFile("keys.bin").size(), 6u);
  }));
}

// F9 switches at once and shows the last picture again, outside the passes' presents; a refused full
// screen leaves the window and says why. Paused (pass 5), the held picture is shown again.
TEST(Display, F9SwitchesWindowAndFullScreenAndShowsTheLastPictureAgain) {
  ASSERT_TRUE(inDirectory(paletteScratch("display-switch", grey), [] {
    openDisplay();
    const bool windowedAfter[] = {true, false, true, true, false};
    for (uint32_t pass = 1; pass <= 5; ++pass) {
      if (pass == 5)
        headlessScript(pass, MSG_KEYDOWN, VKEY_P); // held until the script runs out and the window goes
      headlessScript(pass, MSG_KEYDOWN, VKEY_F9);
      headlessFail(STEP_DISPLAY_MODE, PLATFORM_FAILED, pass == 4 ? 1 : 0);
      const std::vector<uint8_t> last(headlessPlatform.presented, headlessPlatform.presented + 320 * 240);
      memset(headlessPlatform.presented, 0, sizeof headlessPlatform.presented);
      renderFrame();
      EXPECT_TRUE(displayContext.windowed == windowedAfter[pass - 1] && headlessPlatform.windowed == displayContext.windowed)
          << pass;
      EXPECT_EQ(headlessPlatform.repeatCount, pass);
      EXPECT_EQ(headlessPlatform.presentCount, std::min(pass, 4u));
      EXPECT_STREQ(onScreen.message ? onScreen.message : "", pass >= 4 ? "Failed to set screen mode" : "") << pass;
      EXPECT_TRUE(pass < 5 || std::equal(last.begin(), last.end(), headlessPlatform.presented));
    }
  }));
}

TEST(Display, DigestIsFnv1aOfTheVisiblePictureRowByRow) {
  ASSERT_EQ(fnv1a({'a'}), 0xaf63dc4c8601ec8cull); // published FNV-1a test vectors
  ASSERT_EQ(fnv1a({'f', 'o', 'o', 'b', 'a', 'r'}), 0x85944171f73967e8ull);
  std::vector<uint8_t> picture(400 * 250), visible;
  for (size_t i = 0; i < picture.size(); ++i)
    picture[i] = uint8_t(i * 2654435761u >> 13);
  for (int y = 0; y < 240; ++y)
    visible.insert(visible.end(), &picture[400 * y + 32], &picture[400 * y + 288]);
  const uint64_t digest = pictureDigest(picture.data(), 400);
  EXPECT_EQ(digest, fnv1a(visible));
  picture[400 * 3 + 31] ^= 1; // outside the visible window
  picture[400 * 240 + 40] ^= 1;
  EXPECT_EQ(pictureDigest(picture.data(), 400), digest);
}
