// Native helper of the Wine tests: reads what the Windows program wrote.
//
//   quillomark-wine-check digest BMP      picture digest of a 320x240 bitmap, as the headless digests
//   quillomark-wine-check player KEYS     the PlayerInputs values of keys.bin, each run of equal
//                                         records once, in hexadecimal
//   quillomark-wine-check player-counts KEYS   the same as VALUE:RECORDS
//   quillomark-wine-check screen RGB W H BMP   how many pixels of the bitmap's picture (below its
//                                         top TEXT_ROWS rows) the screen dump (W x H, 8-bit RGB) does not
//                                         show: at x 32 in 320x240, stretched 2.5 x 2 in 640x480
//   quillomark-wine-check window RGB W H BMP   the same for a window's client area of W x H: the
//                                         picture at a whole-number scale, centred
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/shared/picture_fit.h"
#include "support/test_support.h"
#include "video/screenshot.h"

// FNV-1a 64 of the 256x240 picture at x 32, top row first (the file stores rows bottom-up).
static int digest(const char* path) {
  const std::vector<uint8_t> bmp = readFile(path);
  if (bmp.size() != BITMAP_FILE_SIZE) {
    fprintf(stderr, "%s: %zu bytes, not %u\n", path, bmp.size(), BITMAP_FILE_SIZE);
    return 1;
  }
  // Turn the rows top-down and digest them as the headless backend digests its pictures.
  std::vector<uint8_t> picture(size_t(320) * 240);
  for (int row = 0; row < 240; ++row)
    memcpy(picture.data() + size_t(row) * 320, bmp.data() + BITMAP_PIXEL_OFFSET + size_t(239 - row) * 320, 320);
  const uint64_t h = pictureDigest(picture.data(), 320);
  printf("%016llx\n", (unsigned long long)h);
  return 0;
}

// Each run of equal PlayerInputs records once; with counts, as VALUE:RECORDS.
static int playerRuns(const char* path, bool counts) {
  const std::vector<uint8_t> keys = readFile(path);
  if (keys.empty() || keys.size() % 2) {
    fprintf(stderr, "%s: %zu bytes, not a whole number of records\n", path, keys.size());
    return 1;
  }
  size_t start = 0;
  for (size_t i = 2; i <= keys.size(); i += 2)
    if (i == keys.size() || keys[i] != keys[start]) {
      printf("%s%02x", start ? " " : "", keys[start]);
      if (counts)
        printf(":%zu", (i - start) / 2);
      start = i;
    }
  printf("\n");
  return 0;
}

// The picture's top rows, where the inspector's text may cover it (a line of the system font, at
// the top-left corner of the screen or of the window's picture).
constexpr int TEXT_ROWS = 24;

static int screenDifferences(const char* screenPath, int width, int height, const char* bmpPath, bool window) {
  const std::vector<uint8_t> screen = readFile(screenPath);
  const std::vector<uint8_t> bmp = readFile(bmpPath);
  const bool wide = !window && width == 640 && height == 480;
  const PlatformRect view = fitPicture(width, height, 256, 240);
  const int scale = (view.right - view.left) / 256;
  const bool known = window ? scale >= 1 : wide || (width == 320 && height == 240);
  if (!known || screen.size() != size_t(width) * height * 3 || bmp.size() != BITMAP_FILE_SIZE) {
    fprintf(stderr, "screen %s (%zu bytes for %dx%d) or bitmap %s unusable\n", screenPath, screen.size(), width,
            height, bmpPath);
    return 1;
  }
  int differing = 0;
  for (int y = TEXT_ROWS; y < 240; ++y)
    for (int x = 0; x < 256; ++x) {
      const uint8_t index = bmp[BITMAP_PIXEL_OFFSET + size_t(239 - y) * 320 + 32 + size_t(x)];
      const uint8_t* colour = &bmp[54 + 4 * size_t(index)]; // blue, green, red
      // In 640x480 the screen pixel taken lies wholly inside the 2.5 x 2 block
      // of source pixel x, however the stretch rounds.
      int sx = wide ? (5 * x + 2) / 2 : 32 + x;
      int sy = wide ? 2 * y : y;
      if (window) {
        sx = view.left + scale * x + scale / 2;
        sy = view.top + scale * y + scale / 2;
      }
      const uint8_t* shown = &screen[(size_t(sy) * width + size_t(sx)) * 3]; // red, green, blue
      if (shown[0] != colour[2] || shown[1] != colour[1] || shown[2] != colour[0])
        ++differing;
    }
  printf("%d\n", differing);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && !strcmp(argv[1], "digest"))
    return digest(argv[2]);
  if (argc == 3 && (!strcmp(argv[1], "player") || !strcmp(argv[1], "player-counts")))
    return playerRuns(argv[2], !strcmp(argv[1], "player-counts"));
  if (argc == 6 && (!strcmp(argv[1], "screen") || !strcmp(argv[1], "window")))
    return screenDifferences(argv[2], atoi(argv[3]), atoi(argv[4]), argv[5], !strcmp(argv[1], "window"));
  fprintf(stderr, "usage: %s digest BMP | player[-counts] KEYS | screen|window RGB W H BMP\n", argv[0]);
  return 2;
}
