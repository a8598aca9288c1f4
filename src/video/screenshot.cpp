#include "video/screenshot.h"

ScreenshotState screenshotState;

// Placeholder until the bitmap writer lands.
void writeBitmap(const char*) {}
void writeSnapshotBitmap() {}
void writeFrameShot() {}
