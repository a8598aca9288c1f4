// Snapshot and per-frame screenshot bitmaps of the visible picture.
#pragma once
#include <cstdint>

#include "files/file_write.h"

inline constexpr int32_t FRAME_SHOT_LIMIT = 100; // highest file number written
inline constexpr uint32_t BITMAP_FILE_SIZE = 77878;
inline constexpr uint32_t BITMAP_HEADER_SIZE = 54;
inline constexpr uint32_t BITMAP_PIXEL_OFFSET = 1078;
inline constexpr int BITMAP_WIDTH_PIXELS = 320;
inline constexpr const char* SNAPSHOT_FILE = "vortane.bmp";
inline constexpr const char* FRAME_SHOT_FOLDER = "bmps";
inline constexpr const char* FRAME_SHOT_FORMAT = "%s/%03d.bmp"; // folder, number

struct ScreenshotState {
  int32_t frameShotCount; // number of the next bmps/NNN.bmp
};

extern ScreenshotState screenshotState;

// Writes the visible picture and the host palette as a 320x240 8-bit bitmap, whole or not at all;
// false (reported as a failure of that kind of file) when it cannot be written.
bool writeBitmap(FileKind kind, const char* fileName);
// Writes vortane.bmp; false when it could not be written.
bool writeSnapshotBitmap();
// Said by F11 once the run's series has been written.
inline constexpr char FRAME_SERIES_COMPLETE_TEXT[] = "Frames recorded: bmps/000-100.bmp is complete";
// True once the run's series of frame shots has been written to its last number.
bool frameSeriesComplete();
// Writes the next bmps/NNN.bmp, at most 101 files per run, creating bmps first; a file that cannot
// be written is reported and skipped.
void writeFrameShot();
