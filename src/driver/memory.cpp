#include "driver/memory.h"

#include <cstdio>
#include <cstring>

#include "driver/warnings.h"

uint8_t* machineMemory;
uint32_t (*accessPc)();
uint8_t memoryChanged[MEMORY_BLOCKS];

static unsigned long warningPc() { return accessPc ? accessPc() : 0; }

// Bytes that lie beyond the image read as 0; each byte's address goes
// through the bus mask, so the conformance bus wraps at 16 MiB.
uint32_t readSlow(uint32_t address, int width) {
  if (address >= MEMORY_SIZE && mayPrintWarning())
    printWarning(stdout, "Read: <Outside memory area> PC:%lx Addr:%lx", warningPc(), (unsigned long)address);
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) {
    uint64_t at = (uint64_t(address) + i) & BUS_WRAP_MASK;
    value = value << 8 | (at < MEMORY_SIZE ? machineMemory[at] : 0);
  }
  return value;
}

// Bytes that would land beyond the image are dropped.
void writeSlow(uint32_t address, uint32_t value, int width) {
  if (address < ROM_LIMIT && mayPrintWarning())
    printWarning(stdout, "Write: <Trying to write to ROM> PC:%lx Addr:%lx", warningPc(), (unsigned long)address);
  if (address >= MEMORY_SIZE && mayPrintWarning())
    printWarning(stdout, "Write: <Outside memory area> PC:%lx Addr:%lx", warningPc(), (unsigned long)address);
  for (int i = 0; i < width; ++i) {
    uint64_t at = (uint64_t(address) + i) & BUS_WRAP_MASK;
    if (at < MEMORY_SIZE) {
      memoryChanged[at >> CHANGE_BLOCK_SHIFT] = 1;
      machineMemory[at] = uint8_t(value >> (8 * (width - 1 - i)));
    }
  }
}

void markMemoryChanged(uint32_t address, uint32_t size) {
  if (size == 0)
    return;
  const uint32_t last = (address + size - 1) >> CHANGE_BLOCK_SHIFT;
  for (uint32_t block = address >> CHANGE_BLOCK_SHIFT; block <= last; ++block)
    memoryChanged[block] = 1;
}

void markAllMemoryChanged() { memset(memoryChanged, 1, sizeof memoryChanged); }
