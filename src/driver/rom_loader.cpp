#include "driver/rom_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/memory.h"

void loadRomSet() {
  machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  if (!machineMemory) {
    printf("Failed to alloc memory\n");
    exit(1);
  }
  memset(machineMemory, MEMORY_FILL, MEMORY_SIZE);
  for (const RomLoad& load : ROM_LOADS)
    loadRomImage(load.fileName, load.base, load.lane);
}

void loadRomImage(const char* fileName, uint32_t base, uint32_t lane) {
  FILE* file = fopen(fileName, "rb");
  if (!file) {
    printf("Failed to open rom file %s\n", fileName);
    exit(1);
  }
  static uint8_t image[ROM_IMAGE_SIZE];
  const size_t got = fread(image, 1, ROM_IMAGE_SIZE, file);
  fclose(file);
  if (got < ROM_IMAGE_SIZE) {
    printf("%s is not 64K long\n", fileName);
    exit(1);
  }
  for (uint32_t i = 0; i < ROM_IMAGE_SIZE; ++i)
    machineMemory[base + 2 * i + lane] = image[i];
}
