#include "driver/rom_files.h"

#include <cstdio>
#include <iterator>
#include <vector>

#include "driver/rom_loader.h"
#include "video/palette.h"

// Reads at most limit bytes of path; false when it cannot be opened. The bytes keep their room, so
// even an empty file's data pointer is not null (null means missing to layRomSet).
static bool readFileStart(const char* path, size_t limit, std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path, "rb");
  if (!file)
    return false;
  bytes.resize(limit);
  bytes.resize(fread(bytes.data(), 1, limit, file));
  fclose(file);
  return true;
}

bool loadRomSetFiles(char* message, int messageSize) {
  constexpr int LOAD_COUNT = int(std::size(ROM_LOADS));
  std::vector<uint8_t> images[LOAD_COUNT];
  RomFile files[LOAD_COUNT];
  for (int i = 0; i < LOAD_COUNT; ++i) {
    const char* name = ROM_LOADS[i].fileName;
    const bool read = readFileStart(name, ROM_IMAGE_SIZE, images[i]);
    files[i] = RomFile{name, read ? images[i].data() : nullptr, images[i].size()};
  }
  return layRomSet(files, LOAD_COUNT, message, messageSize);
}

bool loadPaletteFile(char* message, int messageSize) {
  std::vector<uint8_t> bytes;
  const bool read = readFileStart(PALETTE_FILE, PALETTE_FILE_MINIMUM, bytes);
  return loadPalette(read ? bytes.data() : nullptr, bytes.size(), message, messageSize);
}
