#include "platform/shared/picture_fit.h"

#include <algorithm>
#include <cstdint>

bool rectInside(const PlatformRect& r, int width, int height) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width && r.bottom <= height;
}

PlatformRect fitPicture(int outputWidth, int outputHeight, int width, int height) {
  if (outputWidth <= 0 || outputHeight <= 0 || width <= 0 || height <= 0)
    return PlatformRect{0, 0, std::max(outputWidth, 0), std::max(outputHeight, 0)};
  const int scale = std::min(outputWidth / width, outputHeight / height);
  int w = width * scale, h = height * scale;
  if (scale == 0) {
    // A window smaller than the picture: shrink to fit, keeping the picture's shape.
    if (int64_t(outputWidth) * height <= int64_t(outputHeight) * width) {
      w = outputWidth;
      h = int(int64_t(outputWidth) * height / width);
    } else {
      h = outputHeight;
      w = int(int64_t(outputHeight) * width / height);
    }
  }
  const int left = (outputWidth - w) / 2, top = (outputHeight - h) / 2;
  return PlatformRect{left, top, left + w, top + h};
}

int windowStartScale(int width, int height, int roomWidth, int roomHeight, int preferred) {
  int scale = preferred > 0 ? preferred : WINDOW_START_SCALE;
  while (scale > 1 && (width * scale > roomWidth || height * scale > roomHeight))
    --scale;
  return scale;
}
