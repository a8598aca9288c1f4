#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>

#include "platform/sdl2/sdl2_platform.h"
#include "platform/sdl2/sdl2_test_support.h"
#include "support/system_helpers.h"
#include "core/core.h"
#include "host/window_proc.h"
#include "video/display.h"

namespace {

// Entry k: red k, green 255 - k, blue k / 2, so every entry differs from every other and from black.
struct TestPalette {
  PaletteColour entries[256];
  TestPalette() {
    for (int k = 0; k < 256; ++k)
      entries[k] = PaletteColour{uint8_t(k), uint8_t(255 - k), uint8_t(k / 2), 0};
  }
  uint32_t argb(int k) const { return 0xFF000000u | uint32_t(k) << 16 | uint32_t(255 - k) << 8 | uint32_t(k / 2); }
};
const TestPalette palette;

// The window's pixels as the renderer shows them, ARGB.
struct Screen {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)] | 0xFF000000u; }
};

Screen readScreen() {
  Screen screen;
  SDL_GetRendererOutputSize(sdlPlatform.renderer, &screen.width, &screen.height);
  screen.pixels.resize(size_t(screen.width) * size_t(screen.height));
  EXPECT_EQ(SDL_RenderReadPixels(sdlPlatform.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, screen.pixels.data(),
                                 screen.width * 4),
            0)
      << SDL_GetError();
  return screen;
}

uint8_t* lockedBackBuffer(int32_t* pitch) {
  uint8_t* bits = nullptr;
  EXPECT_EQ(platformLockBackBuffer(&bits, pitch), PLATFORM_OK);
  return bits;
}

// Fills the whole back buffer with index (x + rowStep * y) & 0xFF.
void fillBackBuffer(int width, int height, int rowStep) {
  int32_t pitch = 0;
  uint8_t* bits = lockedBackBuffer(&pitch);
  ASSERT_EQ(pitch, width);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bits[y * pitch + x] = uint8_t(x + rowStep * y);
  EXPECT_EQ(platformUnlockBackBuffer(bits), PLATFORM_OK);
}

TEST(Sdl2Display, ViewportIsTheLargestWholeScaleCentred) {
  struct Case {
    int outputWidth, outputHeight, width, height;
    SDL_Rect expected;
  } cases[] = {
      {1024, 768, 320, 240, {32, 24, 960, 720}},    {1920, 1080, 320, 240, {320, 60, 1280, 960}},
      {1920, 1080, 640, 480, {320, 60, 1280, 960}}, {2560, 1440, 320, 240, {320, 0, 1920, 1440}},
      {640, 480, 640, 480, {0, 0, 640, 480}},       {1279, 959, 640, 480, {319, 239, 640, 480}},
      {700, 3000, 320, 240, {30, 1260, 640, 480}},
      // Smaller than the picture: shrunk, shape kept.
      {300, 200, 320, 240, {17, 0, 266, 200}},      {320, 1000, 640, 480, {0, 380, 320, 240}},
      {0, 0, 320, 240, {0, 0, 0, 0}},               {800, 600, 0, 0, {0, 0, 800, 600}},
  };
  for (const Case& c : cases) {
    const SDL_Rect r = pictureViewport(c.outputWidth, c.outputHeight, c.width, c.height);
    EXPECT_TRUE(r.x == c.expected.x && r.y == c.expected.y && r.w == c.expected.w && r.h == c.expected.h)
        << c.outputWidth << "x" << c.outputHeight << " for " << c.width << "x" << c.height << ": got " << r.x
        << "," << r.y << " " << r.w << "x" << r.h;
  }
}

TEST(Sdl2Display, GlyphsAreDistinctAndClippedToThePicture) {
  constexpr uint32_t UNTOUCHED = 0x12345678;
  std::set<std::vector<uint32_t>> shapes;
  // Every printable character but the small letters (drawn as capitals), and one byte with no glyph.
  std::string characters = "\x7f";
  for (char c = ' '; c <= '~'; ++c)
    if (c < 'a' || c > 'z')
      characters += c;
  for (const char* c = characters.c_str(); *c; ++c) {
    std::vector<uint32_t> cell(GLYPH_SIZE * GLYPH_SIZE, UNTOUCHED);
    drawOverlayText(cell.data(), GLYPH_SIZE, GLYPH_SIZE, GLYPH_SIZE, c, 1);
    for (uint32_t p : cell)
      ASSERT_TRUE(p == TEXT_INK || p == TEXT_PAPER) << "'" << *c << "' left a pixel undrawn";
    const bool blank = std::count(cell.begin(), cell.end(), TEXT_INK) == 0;
    EXPECT_EQ(blank, *c == ' ') << "'" << *c << "'";
    shapes.insert(cell);
  }
  EXPECT_EQ(shapes.size(), characters.size());
  // A text wider and taller than the picture stops at its edges: every picture pixel it
  // covers is drawn, nothing after the picture is.
  for (int width : {96, 13, 3}) {
    constexpr int HEIGHT = 5, GUARD = 64;
    std::vector<uint32_t> pixels(size_t(width) * HEIGHT + GUARD, UNTOUCHED);
    drawOverlayText(pixels.data(), width, width, HEIGHT, "255   9999999", 13);
    const auto pictureEnd = pixels.begin() + width * HEIGHT;
    EXPECT_EQ(std::count(pixels.begin(), pictureEnd, UNTOUCHED), 0) << "width " << width;
    EXPECT_EQ(std::count(pictureEnd, pixels.end(), UNTOUCHED), GUARD) << "width " << width;
  }
}

TEST(Sdl2Display, FlipShowsTheBackBufferThroughThePaletteScaledWithBlackBorders) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, palette.entries));
  ASSERT_NO_FATAL_FAILURE(fillBackBuffer(320, 240, 1));
  EXPECT_EQ(platformFlip(), PLATFORM_OK);
  const Screen screen = readScreen();
  const SDL_Rect view = pictureViewport(screen.width, screen.height, 320, 240);
  const int scale = view.w / 320;
  ASSERT_GE(scale, 1);
  ASSERT_EQ(view.h, 240 * scale);
  struct Point {
    int x, y;
  } points[] = {{0, 0}, {319, 0}, {0, 239}, {319, 239}, {100, 37}, {255, 1}};
  for (const Point& p : points)
    for (int dy : {0, scale - 1})
      for (int dx : {0, scale - 1})
        EXPECT_EQ(screen.at(view.x + p.x * scale + dx, view.y + p.y * scale + dy), palette.argb((p.x + p.y) & 0xFF))
            << p.x << "," << p.y;
  // Borders: everything outside the picture is black.
  ASSERT_GT(view.x, 0) << "the test display leaves borders";
  ASSERT_GT(view.y, 0) << "the test display leaves borders";
  EXPECT_EQ(screen.at(view.x - 1, view.y + 10), 0xFF000000u);
  EXPECT_EQ(screen.at(view.x + 10, view.y - 1), 0xFF000000u);
  EXPECT_EQ(screen.at(view.x + view.w, view.y + view.h - 1), 0xFF000000u);
  EXPECT_EQ(screen.at(view.x + 10, view.y + view.h), 0xFF000000u);
}

TEST(Sdl2Display, WideModeStretchesThePictureTwoAndAHalfByTwo) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 640, 480, palette.entries));
  // Columns outside 32..287 and rows from 240 on must never be shown.
  ASSERT_NO_FATAL_FAILURE(fillBackBuffer(640, 480, 3));
  const PlatformRect destination = {0, 0, 640, 480}, source = {32, 0, 288, 240};
  ASSERT_EQ(platformStretchBlit(&destination, &source), PLATFORM_OK);
  struct Case {
    int x, y, sourceX, sourceY;
  } cases[] = {{0, 0, 32, 0},    {1, 1, 32, 0},    {2, 2, 32, 1},     {3, 0, 33, 0},
               {5, 0, 34, 0},    {639, 0, 287, 0}, {0, 479, 32, 239}, {320, 240, 160, 120}};
  for (const Case& c : cases)
    EXPECT_EQ(sdlPlatform.picture[c.y * 640 + c.x], palette.argb((c.sourceX + 3 * c.sourceY) & 0xFF))
        << c.x << "," << c.y;
  const Screen screen = readScreen();
  const SDL_Rect view = pictureViewport(screen.width, screen.height, 640, 480);
  EXPECT_EQ(screen.at(view.x + view.w - 1, view.y + view.h - 1), palette.argb((287 + 3 * 239) & 0xFF));
}

TEST(Sdl2Display, BlitRectanglesOutsideTheBufferFail) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 640, 480, palette.entries));
  const PlatformRect whole = {0, 0, 640, 480};
  const PlatformRect bad[] = {{0, 0, 641, 480}, {-1, 0, 100, 100}, {0, 0, 640, 481},
                              {10, 10, 10, 20}, {10, 20, 20, 10},  {0, -5, 10, 10}};
  for (const PlatformRect& r : bad) {
    EXPECT_EQ(platformStretchBlit(&whole, &r), PLATFORM_FAILED) << r.left << "," << r.top << "," << r.right;
    EXPECT_EQ(platformStretchBlit(&r, &whole), PLATFORM_FAILED) << r.left << "," << r.top << "," << r.right;
  }
}

TEST(Sdl2Display, InspectorTextStaysOverThePictureWhileItIsDrawnEachPass) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, palette.entries));
  int32_t pitch = 0;
  uint8_t* bits = lockedBackBuffer(&pitch);
  memset(bits, 40, size_t(pitch) * 240);
  const uint32_t picture = palette.argb(40);
  // Row 0 of '7' is paper in column 0 and ink in column 1.
  auto textCorner = [](const Screen& s) {
    const SDL_Rect view = pictureViewport(s.width, s.height, 320, 240);
    const int scale = view.w / 320;
    return std::make_pair(s.at(view.x, view.y), s.at(view.x + scale, view.y));
  };
  const std::pair<uint32_t, uint32_t> withText = {TEXT_PAPER, TEXT_INK}, without = {picture, picture};
  ASSERT_EQ(platformFlip(), PLATFORM_OK);
  EXPECT_EQ(textCorner(readScreen()), without);
  platformDrawText(sdlPlatform.window, "7   ", 4); // shown at once, no flip needed
  EXPECT_EQ(textCorner(readScreen()), withText);
  ASSERT_EQ(platformFlip(), PLATFORM_OK); // the next pass's picture keeps it
  EXPECT_EQ(textCorner(readScreen()), withText);
  platformDrawText(sdlPlatform.window, "7   ", 4);
  ASSERT_EQ(platformFlip(), PLATFORM_OK);
  ASSERT_EQ(platformFlip(), PLATFORM_OK); // a pass that drew no text: gone
  EXPECT_EQ(textCorner(readScreen()), without);
}

// The panel stands on the picture darkened to a quarter, as wide as its longest line; the message
// line on a black row the picture's width, so that no letter of the board's shows through. Both
// show at once and go with an empty text.
TEST(Sdl2Display, PanelAndMessageStandOnTheDarkenedPicture) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, palette.entries));
  int32_t pitch = 0;
  uint8_t* bits = lockedBackBuffer(&pitch);
  memset(bits, 40, size_t(pitch) * 240);
  ASSERT_EQ(platformFlip(), PLATFORM_OK);
  const uint32_t picture = palette.argb(40), dark = 0xFF000000u | (picture >> 2 & 0x3F3F3F);
  // Row 0 of '7' is ground in column 0 and ink in column 1; cells (column, glyph row) from the corner.
  auto cells = [](const Screen& s, std::initializer_list<std::pair<int, int>> at) {
    const SDL_Rect view = pictureViewport(s.width, s.height, 320, 240);
    const int scale = view.w / 320;
    std::vector<uint32_t> seen;
    for (auto [x, y] : at)
      seen.push_back(s.at(view.x + x * scale, view.y + y * scale));
    return seen;
  };
  platformShowPanel("7\n77");
  EXPECT_EQ(cells(readScreen(), {{0, 0}, {1, 0}, {8, 0}, {16, 0}, {8, 8}, {0, 16}}),
            (std::vector<uint32_t>{dark, SHADED_INK, dark, picture, dark, picture}));
  platformShowOverlay("7");
  EXPECT_EQ(cells(readScreen(), {{0, 232}, {1, 232}, {8, 232}, {319, 239}, {319, 231}}),
            (std::vector<uint32_t>{MESSAGE_GROUND, SHADED_INK, MESSAGE_GROUND, MESSAGE_GROUND, picture}));
  platformShowPanel("");
  platformShowOverlay("");
  EXPECT_EQ(cells(readScreen(), {{0, 0}, {1, 0}, {0, 232}}), (std::vector<uint32_t>{picture, picture, picture}));
}

// Without a display the start-up ends with the display message, whichever way SDL fails.
TEST(Sdl2Display, NoDisplayEndsStartUpWithTheDirectDrawMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string dir = makeScratchDir("no-display");
  std::vector<char> bmp(1078, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  std::ofstream(dir + "/pal.bmp", std::ios::binary).write(bmp.data(), std::streamsize(bmp.size()));
  // Null: no driver asked for and no display server named, where SDL falls back on its offscreen driver.
  for (const char* driver : {"nosuchdriver", static_cast<const char*>(nullptr)}) {
    if (!driver && access("/dev/dri", F_OK) == 0)
      continue; // a console display could answer here
    EXPECT_EXIT(
        inDirectory(dir,
                    [driver] {
                      sdlReset();
                      SDL_QuitSubSystem(SDL_INIT_VIDEO);
                      if (driver)
                        setenv("SDL_VIDEODRIVER", driver, 1);
                      else
                        unsetenv("SDL_VIDEODRIVER");
                      unsetenv("DISPLAY");
                      unsetenv("WAYLAND_DISPLAY");
                      char message[CORE_MESSAGE_SIZE];
                      if (initDisplay(windowProc, message, sizeof message))
                        _exit(4);
                      fprintf(stderr, "%s\n", message);
                      _exit(1);
                    }),
        testing::ExitedWithCode(1), "Direct draw failed to initialize")
        << (driver ? driver : "(none)");
  }
  removeScratchDirs();
}

} // namespace
