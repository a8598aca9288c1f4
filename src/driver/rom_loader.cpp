#include "driver/rom_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/memory.h"

static const RomFile* findRomFile(const RomFile* files, int fileCount, const char* name) {
  for (int i = 0; i < fileCount; ++i)
    if (files[i].data && strcmp(files[i].name, name) == 0)
      return &files[i];
  return nullptr;
}

bool checkRomSet(const RomFile* files, int fileCount, char* message, int messageSize) {
  for (const RomLoad& load : ROM_LOADS) {
    const RomFile* file = findRomFile(files, fileCount, load.fileName);
    if (!file || file->size < ROM_IMAGE_SIZE) {
      snprintf(message, size_t(messageSize), file ? ROM_SHORT_FORMAT : ROM_MISSING_FORMAT, load.fileName);
      return false;
    }
  }
  return true;
}

bool layRomSet(const RomFile* files, int fileCount, char* message, int messageSize) {
  if (!checkRomSet(files, fileCount, message, messageSize))
    return false;
  if (!machineMemory)
    machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  if (!machineMemory) {
    snprintf(message, size_t(messageSize), "Failed to alloc memory");
    return false;
  }
  memset(machineMemory, MEMORY_FILL, MEMORY_SIZE);
  markAllMemoryChanged();
  for (const RomLoad& load : ROM_LOADS)
    layRomImage(findRomFile(files, fileCount, load.fileName)->data, load.base, load.lane);
  return true;
}

void layRomImage(const uint8_t* image, uint32_t base, uint32_t lane) {
  for (uint32_t i = 0; i < ROM_IMAGE_SIZE; ++i)
    machineMemory[base + 2 * i + lane] = image[i];
  markMemoryChanged(base, 2 * ROM_IMAGE_SIZE);
}
