#include "driver/rom_files.h"

#include <vector>

#include "files/file_read.h"
#include "driver/rom_loader.h"
#include "video/palette.h"

namespace {
// What an empty file lends layRomSet: it is there (not null), only short.
const uint8_t NO_BYTES[1] = {};

// Reads at most limit bytes of path, a regular file; null when it cannot be had (missing, or a pipe,
// a device or a folder, refused without waiting).
const uint8_t* readFileStart(const char* path, size_t limit, std::vector<uint8_t>& bytes) {
  if (!readRegularFileStart(path, limit, bytes))
    return nullptr;
  return bytes.empty() ? NO_BYTES : bytes.data();
}
} // namespace

bool loadRomSetFiles(char* message, int messageSize) {
  std::vector<uint8_t> images[ROM_FILE_COUNT];
  RomFile files[ROM_FILE_COUNT];
  int count = 0;
  // In load order; the first that cannot be laid ends the reading, so that no file after it is opened
  // and its message is the one given.
  for (const char* name : ROM_FILE_NAMES) {
    const uint8_t* data = readFileStart(name, ROM_IMAGE_SIZE, images[count]);
    const RomFile& file = files[count] = RomFile{name, data, images[count].size()};
    ++count;
    if (!file.data || file.size < ROM_IMAGE_SIZE)
      break;
  }
  return layRomSet(files, count, message, messageSize);
}

bool loadPaletteFile(char* message, int messageSize) {
  std::vector<uint8_t> bytes;
  const uint8_t* data = readFileStart(PALETTE_FILE, PALETTE_FILE_MINIMUM, bytes);
  return loadPalette(data, bytes.size(), message, messageSize);
}
