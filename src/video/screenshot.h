// Snapshot and per-frame screenshot bitmaps of the visible picture.
#pragma once
#include <cstdint>

inline constexpr int32_t FRAME_SHOT_LIMIT = 100; // highest file number written
inline constexpr uint32_t BITMAP_FILE_SIZE = 77878;

struct ScreenshotState {
  int32_t frameShotCount; // number of the next bmps/NNN.bmp
};

extern ScreenshotState screenshotState;

// Writes the visible picture and the host palette as a 320x240 8-bit bitmap.
void writeBitmap(const char* fileName);
// Writes vortane.bmp.
void writeSnapshotBitmap();
// Writes the next bmps/NNN.bmp, at most 101 files per run.
void writeFrameShot();
