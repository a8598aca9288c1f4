#include "video/bitmap_file.h"

#include <cstring>

namespace {
constexpr int FILE_HEADER_SIZE = 14;
constexpr int INFO_HEADER_SIZE = 40;
constexpr int COLOUR_TABLE_SIZE = 256 * 4;
constexpr int PIXELS_PER_METRE = 3780; // 96 dots an inch

void putLittle(std::vector<uint8_t>& file, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    file[at + size_t(i)] = uint8_t(value >> (8 * i));
}
} // namespace

std::vector<uint8_t> bitmapFile(int width, int height, const uint8_t* pixels, const PaletteColour* colours) {
  const int bytesPerPixel = colours ? 1 : 3;
  const int rowBytes = (width * bytesPerPixel + 3) & ~3; // rows are padded to whole words
  const int pixelOffset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + (colours ? COLOUR_TABLE_SIZE : 0);
  std::vector<uint8_t> file(size_t(pixelOffset) + size_t(rowBytes) * size_t(height));
  const struct {
    int offset, bytes;
    uint32_t value;
  } fields[] = {
      {0, 2, 'B' | 'M' << 8},
      {2, 4, uint32_t(file.size())},
      {10, 4, uint32_t(pixelOffset)},
      {14, 4, INFO_HEADER_SIZE},
      {18, 4, uint32_t(width)},
      {22, 4, uint32_t(height)},
      {26, 2, 1},
      {28, 2, uint32_t(8 * bytesPerPixel)},
      {34, 4, uint32_t(rowBytes * height)},
      {38, 4, PIXELS_PER_METRE},
      {42, 4, PIXELS_PER_METRE},
      {46, 4, colours ? 256u : 0u},
  };
  for (const auto& field : fields)
    putLittle(file, size_t(field.offset), field.value, field.bytes);
  if (colours)
    for (int k = 0; k < 256; ++k) {
      uint8_t* entry = &file[FILE_HEADER_SIZE + INFO_HEADER_SIZE + 4 * k];
      entry[0] = colours[k].blue;
      entry[1] = colours[k].green;
      entry[2] = colours[k].red;
    }
  // Bottom row first; 24-bit pixels are stored blue, green, red.
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &file[size_t(pixelOffset) + size_t(rowBytes) * size_t(height - 1 - y)];
    const uint8_t* source = pixels + size_t(y) * size_t(width) * size_t(bytesPerPixel);
    if (colours) {
      memcpy(row, source, size_t(width));
      continue;
    }
    for (int x = 0; x < width; ++x) {
      row[3 * x] = source[3 * x + 2];
      row[3 * x + 1] = source[3 * x + 1];
      row[3 * x + 2] = source[3 * x];
    }
  }
  return file;
}
