#include <gtest/gtest.h>

#include "platform/shared/picture_fit.h"

namespace {

TEST(PictureFit, TheLargestWholeScaleCentredOrShrunkKeepingTheShape) {
  struct Case {
    int outputWidth, outputHeight, width, height;
    PlatformRect expected;
  } cases[] = {
      {1024, 768, 320, 240, {32, 24, 992, 744}},    {1920, 1080, 320, 240, {320, 60, 1600, 1020}},
      {1920, 1080, 640, 480, {320, 60, 1600, 1020}}, {2560, 1440, 320, 240, {320, 0, 2240, 1440}},
      {640, 480, 640, 480, {0, 0, 640, 480}},       {1279, 959, 640, 480, {319, 239, 959, 719}},
      {700, 3000, 320, 240, {30, 1260, 670, 1740}}, {512, 480, 256, 240, {0, 0, 512, 480}},
      {1000, 500, 256, 240, {244, 10, 756, 490}},
      // Smaller than the picture: shrunk, shape kept.
      {300, 200, 320, 240, {17, 0, 283, 200}},      {320, 1000, 640, 480, {0, 380, 320, 620}},
      {0, 0, 320, 240, {0, 0, 0, 0}},               {800, 600, 0, 0, {0, 0, 800, 600}},
  };
  for (const Case& c : cases) {
    const PlatformRect r = fitPicture(c.outputWidth, c.outputHeight, c.width, c.height);
    const PlatformRect& e = c.expected;
    EXPECT_TRUE(r.left == e.left && r.top == e.top && r.right == e.right && r.bottom == e.bottom)
        << c.outputWidth << "x" << c.outputHeight << " for " << c.width << "x" << c.height << ": got " << r.left
        << "," << r.top << " to " << r.right << "," << r.bottom;
  }
}

TEST(PictureFit, AWindowStartsAtTheStartScaleOrTheLargestThatFits) {
  const struct {
    int roomWidth, roomHeight, scale;
  } cases[] = {{1024, 738, WINDOW_START_SCALE}, {512, 480, 2}, {511, 480, 1}, {600, 479, 1}, {100, 100, 1}};
  static_assert(WINDOW_START_SCALE == 2, "the table's scales are for a start scale of 2");
  for (const auto& c : cases)
    EXPECT_EQ(windowStartScale(256, 240, c.roomWidth, c.roomHeight), c.scale) << c.roomWidth << "x" << c.roomHeight;
}

} // namespace
