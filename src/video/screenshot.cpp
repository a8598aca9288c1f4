#include "video/screenshot.h"

#include <cstdio>
#include <cstring>

#include "files/file_write.h"
#include "platform/platform.h"
#include "video/display.h"
#include "video/frame_store.h"
#include "video/palette.h"

ScreenshotState screenshotState;

namespace {
void putLittle(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    at[i] = uint8_t(value >> (8 * i));
}

// File header and information header of an uncompressed 320x240 8-bit bitmap.
void fillHeader(uint8_t header[BITMAP_HEADER_SIZE]) {
  struct Field {
    uint8_t offset, bytes;
    uint32_t value;
  };
  constexpr Field FIELDS[] = {
      {0, 2, 'B' | 'M' << 8}, {2, 4, BITMAP_FILE_SIZE}, {10, 4, BITMAP_PIXEL_OFFSET},
      {14, 4, 40},            {18, 4, 320},             {22, 4, 240},
      {26, 2, 1},             {28, 2, 8},               {34, 4, 320 * 240},
      {38, 4, 3790},          {42, 4, 3780},
  };
  memset(header, 0, BITMAP_HEADER_SIZE);
  for (const Field& field : FIELDS)
    putLittle(header + field.offset, field.value, field.bytes);
}
} // namespace

bool writeBitmap(FileKind kind, const char* fileName) {
  static uint8_t file[BITMAP_FILE_SIZE];
  fillHeader(file);
  uint8_t* colours = file + BITMAP_HEADER_SIZE;
  for (int k = 0; k < 256; ++k) {
    const PaletteColour& c = colourTables.hostPalette[k];
    colours[4 * k] = c.blue;
    colours[4 * k + 1] = c.green;
    colours[4 * k + 2] = c.red;
    colours[4 * k + 3] = 0;
  }
  // Bottom row first; the 256 visible columns centred between 32-pixel borders of index 0.
  uint8_t* row = file + BITMAP_PIXEL_OFFSET;
  for (int line = VISIBLE_FIRST_LINE + VISIBLE_HEIGHT - 1; line >= VISIBLE_FIRST_LINE; --line) {
    memset(row, 0, BITMAP_WIDTH_PIXELS);
    memcpy(row + SCREEN_X, frameLine(line), VISIBLE_WIDTH);
    row += BITMAP_WIDTH_PIXELS;
  }
  const FilePart part = {file, sizeof file};
  return writeWholeFile(kind, fileName, &part, 1);
}

bool writeSnapshotBitmap() { return writeBitmap(FILE_SNAPSHOT, SNAPSHOT_FILE); }

bool frameSeriesComplete() { return screenshotState.frameShotCount > FRAME_SHOT_LIMIT; }

void writeFrameShot() {
  if (frameSeriesComplete())
    return;
  if (screenshotState.frameShotCount == 0 && !platformCreateFolder(FRAME_SHOT_FOLDER))
    reportWriteFailure(FILE_FRAME_SHOT, FRAME_SHOT_FOLDER);
  char name[32];
  snprintf(name, sizeof name, FRAME_SHOT_FORMAT, FRAME_SHOT_FOLDER, int(screenshotState.frameShotCount));
  ++screenshotState.frameShotCount;
  writeBitmap(FILE_FRAME_SHOT, name);
}
