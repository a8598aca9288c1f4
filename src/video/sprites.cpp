#include "video/sprites.h"

#include <algorithm>
#include <cstdio>

#include "driver/board.h"
#include "driver/memory.h"
#include "driver/warnings.h"
#include "video/frame_store.h"
#include "video/palette.h"

SpriteState spriteState;

namespace {
struct SpriteSize {
  int width, height;
  int units; // width units of the cull: x must be below 320 - 16 x units
  int drawer; // row drawer for this width: 0 = 8, 1 = 16, 2 = 32, 3 = 64 pixels
};

// Indexed by the size code (bits 3..5 of byte 3); 0x28 has no size and draws nothing unscaled.
constexpr SpriteSize SPRITE_SIZES[8] = {
    {32, 32, 2, 2}, {16, 32, 1, 1}, {32, 16, 2, 2}, {64, 64, 4, 3},
    {8, 8, 1, 0},   {32, 0, 2, 2},  {8, 16, 1, 0},  {16, 16, 1, 1},
};

// What the drawers need of one entry.
template <typename Pixel>
struct SpriteJob {
  int x, y;
  int width, height;
  bool horizontalFlip, verticalFlip;
  const uint8_t* pattern; // first byte of the pattern in the image
  const Pixel* pens;      // penTable<Pixel>() from the sprite's bank on
};

// Unscaled: each packed byte gives two pixels; rows below the store are dropped.
template <typename Pixel, int WIDTH, bool MIRROR>
void drawUnscaled(const SpriteJob<Pixel>& job) {
  constexpr int BYTES = WIDTH / 2;
  for (int r = 0; r < job.height; ++r) {
    const int line = job.verticalFlip ? job.y + job.height - 1 - r : job.y + r;
    if (line > LAST_FRAME_LINE)
      continue;
    const uint8_t* source = job.pattern + r * BYTES;
    Pixel* target = frameLine<Pixel>(line) + job.x;
    for (int i = 0; i < BYTES; ++i) {
      if (source[i] == 0) // two transparent pixels, common in real patterns
        continue;
      const int left = source[i] >> 4, right = source[i] & 15;
      if (left)
        target[MIRROR ? WIDTH - 1 - 2 * i : 2 * i] = job.pens[left];
      if (right)
        target[MIRROR ? WIDTH - 2 - 2 * i : 2 * i + 1] = job.pens[right];
    }
  }
}

template <typename Pixel>
using UnscaledDrawer = void (*)(const SpriteJob<Pixel>&);
template <typename Pixel>
constexpr UnscaledDrawer<Pixel> UNSCALED_DRAWERS[4][2] = {
    {drawUnscaled<Pixel, 8, false>, drawUnscaled<Pixel, 8, true>},
    {drawUnscaled<Pixel, 16, false>, drawUnscaled<Pixel, 16, true>},
    {drawUnscaled<Pixel, 32, false>, drawUnscaled<Pixel, 32, true>},
    {drawUnscaled<Pixel, 64, false>, drawUnscaled<Pixel, 64, true>},
};

// Pixels (or lines) a scaled sprite covers along one side: ceil(size x 256 / step), at least 1.
int scaledSpan(int size, int step) { return size == 0 ? 1 : (size * 256 + step - 1) / step; }

// A zoomed sprite's step through its pattern, in 1/256 pixel: twice the zoom, at least half a pixel.
constexpr int MIN_ZOOM_STEP = 128;
int zoomStep(uint8_t zoom) { return zoom * 2 > MIN_ZOOM_STEP ? zoom * 2 : MIN_ZOOM_STEP; }

// Scaled: a fixed-point stepper in 1/256 pixel. Output pixel k shows source pixel
// (k x step) / 256, counted from the flipped edge; the sprite is drawn down and
// right from (x, y) whatever the flips and cut after column 257 and line 257.
// Row -1 (the 16 bytes before the pattern) is read for a flipped zero-height entry.
template <typename Pixel>
void drawScaled(const SpriteJob<Pixel>& job, int step) {
  constexpr int MAX_SPAN = 64 * 256 / 128; // widest side at the smallest step
  const int bytesPerRow = job.width / 2;
  const int columns = std::min(scaledSpan(job.width, step), job.x <= 257 ? 258 - job.x : 1);
  const int lines = std::min(scaledSpan(job.height, step), job.y <= 257 ? 258 - job.y : 1);
  uint8_t byteOffset[MAX_SPAN], shift[MAX_SPAN];
  for (int k = 0; k < columns; ++k) {
    const int s = k * step >> 8;
    const int column = job.horizontalFlip ? job.width - 1 - s : s;
    byteOffset[k] = uint8_t(column >> 1);
    shift[k] = column & 1 ? 0 : 4;
  }
  for (int l = 0; l < lines; ++l) {
    const int s = l * step >> 8;
    const uint8_t* source = job.pattern + (job.verticalFlip ? job.height - 1 - s : s) * bytesPerRow;
    Pixel* target = frameLine<Pixel>(job.y + l) + job.x;
    for (int k = 0; k < columns; ++k) {
      const int pen = source[byteOffset[k]] >> shift[k] & 15;
      if (pen)
        target[k] = job.pens[pen];
    }
  }
}

const SpriteSize& sizeOf(const uint8_t* entry) { return SPRITE_SIZES[(entry[3] >> 3) & 7]; }

// The only whole-sprite test: nothing is clipped at the right.
bool offScreen(const uint8_t* entry) { return spriteX(entry) >= 320 - 16 * sizeOf(entry).units; }

template <typename Pixel>
void drawEntry(const uint8_t* entry) {
  const SpriteSize& size = sizeOf(entry);
  if ((entry[3] & 0x38) == UNKNOWN_SIZE_CODE)
    printWarning(stdout, "Unknown sprite: %x", UNKNOWN_SIZE_CODE);
  const int x = spriteX(entry);
  if (offScreen(entry))
    return;
  const int bank = (entry[9] >> 1) & 15;
  const int pattern = (entry[9] >> 6) << 8 | entry[7];
  SpriteJob<Pixel> job{x,
                       entry[13],
                       size.width,
                       size.height,
                       (entry[3] & 1) != 0,
                       (entry[9] & 0x20) != 0,
                       machineMemory + CHARACTER_RAM + 64 * pattern,
                       penTable<Pixel>() + bank * 16};
  const uint8_t zoom = entry[5];
  if (zoom == ZOOM_NORMAL) {
    UNSCALED_DRAWERS<Pixel>[size.drawer][job.horizontalFlip](job);
    return;
  }
  const uint32_t count = ++spriteState.zoomedSpriteCount;
  // Scaled flipped sprites take the next pen up at some counts (entry 256 at most).
  if (((count & 0x100) && job.verticalFlip) || ((count & 0x80) && job.horizontalFlip))
    job.pens += 1;
  drawScaled(job, zoomStep(zoom));
}
} // namespace

int spriteX(const uint8_t* entry) { return (entry[10] & 1) << 8 | entry[11]; }
int spriteWidth(const uint8_t* entry) { return sizeOf(entry).width; }
int spriteHeight(const uint8_t* entry) { return sizeOf(entry).height; }
int spriteShownWidth(const uint8_t* entry) {
  return entry[5] == ZOOM_NORMAL ? spriteWidth(entry) : scaledSpan(spriteWidth(entry), zoomStep(entry[5]));
}
int spriteShownHeight(const uint8_t* entry) {
  return entry[5] == ZOOM_NORMAL ? spriteHeight(entry) : scaledSpan(spriteHeight(entry), zoomStep(entry[5]));
}

SpriteVerdict spriteVerdict(const uint8_t* entry, int i) {
  if (entry[1] != i)
    return SPRITE_NOT_ITS_INDEX;
  if ((entry[9] & 1) || entry[3] == 0xFF)
    return SPRITE_HIDDEN;
  if (entry[5] == 0 || entry[5] == 0xFF)
    return SPRITE_ZERO_ZOOM;
  if (offScreen(entry))
    return SPRITE_OFF_SCREEN;
  if ((entry[3] & 0x38) == UNKNOWN_SIZE_CODE && entry[5] == ZOOM_NORMAL)
    return SPRITE_NO_SIZE;
  return SPRITE_DRAWN;
}

uint32_t spriteEntryAddress(int i) {
  return i < 240 ? SPRITE_RAM + 0xEF0 - SPRITE_ENTRY_SIZE * i : SPRITE_RAM + 0xFF0 - SPRITE_ENTRY_SIZE * (i - 240);
}

template <typename Pixel>
void drawSprites() {
  for (int i = 0; i < SPRITE_COUNT; ++i) {
    if (spriteState.inspecting && i != spriteState.inspectedSlot)
      continue;
    const uint8_t* entry = machineMemory + spriteEntryAddress(i);
    // Off-screen and sizeless entries still reach drawEntry, which names an unknown size every frame.
    const SpriteVerdict verdict = spriteVerdict(entry, i);
    if (verdict == SPRITE_NOT_ITS_INDEX || verdict == SPRITE_HIDDEN || verdict == SPRITE_ZERO_ZOOM)
      continue;
    drawEntry<Pixel>(entry);
  }
}
template void drawSprites<uint8_t>();
template void drawSprites<uint32_t>();
