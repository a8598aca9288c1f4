// The main CPU's address space: one flat byte image with the CPU-side access
// rules (range warnings, the sound-command port, big-endian order).
#pragma once
#include <cstdint>

#include "driver/sound_queue.h"

#ifdef QUILLOMARK_TEST_BUS
// Conformance build: a 16 MiB image addressed by the low 24 bits, as the
// 68000's own bus sees it. Only the conformance tool is built this way.
inline constexpr uint32_t MEMORY_SIZE = 0x1000000;
inline constexpr uint32_t ADDRESS_MASK = 0xFFFFFF;
inline constexpr uint64_t BUS_WRAP_MASK = 0xFFFFFF; // the bytes of one access wrap at 16 MiB
#else
inline constexpr uint32_t MEMORY_SIZE = 0x200000;   // bytes in the image; every address from here up is outside
inline constexpr uint32_t ADDRESS_MASK = 0xFFFFFFFF; // CPU addresses are used as computed
inline constexpr uint64_t BUS_WRAP_MASK = ~uint64_t(0); // an access never wraps back into the image
#endif
inline constexpr uint32_t ROM_LIMIT = 0x40000;             // CPU writes below this are reported
inline constexpr uint32_t SOUND_COMMAND_PORT = 0xC0001;    // CPU byte writes here are queued too
inline constexpr uint8_t MEMORY_FILL = 0xAA;               // value of every byte no ROM covers

// The address space: MEMORY_SIZE bytes, byte n is CPU address n. Created by loadRomSet.
extern uint8_t* machineMemory;

// Rewind compares only the blocks of the image written since its last step: every writer marks
// the blocks it changes. A block is 1 << CHANGE_BLOCK_SHIFT bytes (the layer bitmap's blocks too).
inline constexpr int CHANGE_BLOCK_SHIFT = 8;
inline constexpr uint32_t CHANGE_BLOCK_BYTES = uint32_t(1) << CHANGE_BLOCK_SHIFT;
inline constexpr uint32_t MEMORY_BLOCKS = MEMORY_SIZE >> CHANGE_BLOCK_SHIFT;
// A CPU write marks the block of its first byte only (one store): a word or long that starts near a
// block's end reaches at most this many bytes into the next block, which rewind compares as well.
inline constexpr uint32_t CHANGE_SPILL_BYTES = sizeof(uint32_t) - 1;
// 1: the block may differ from what rewind last kept.
extern uint8_t memoryChanged[MEMORY_BLOCKS];

// Marks the bytes [address, address + size) of the image changed: for writers that bypass the CPU
// rules (the debugger, a ROM image laid).
void markMemoryChanged(uint32_t address, uint32_t size);
// Marks the whole image changed: for writers that fill or lay all of it.
void markAllMemoryChanged();

// The PC the warnings name: where the instruction making the access stands. The CPU core sets it
// (the address space knows no CPU); null names 0.
extern uint32_t (*accessPc)();

// Slow paths of the rules: warnings and accesses that reach past the image.
uint32_t readSlow(uint32_t address, int width);
void writeSlow(uint32_t address, uint32_t value, int width);

// Reads a byte through the CPU read rule.
inline uint32_t readByte(uint32_t address) {
  address &= ADDRESS_MASK;
  if (address >= MEMORY_SIZE) [[unlikely]]
    return readSlow(address, 1);
  return machineMemory[address];
}

// Reads a big-endian word through the CPU read rule (odd addresses allowed).
inline uint32_t readWord(uint32_t address) {
  address &= ADDRESS_MASK;
  if (address >= MEMORY_SIZE - 1) [[unlikely]]
    return readSlow(address, 2);
  const uint8_t* p = machineMemory + address;
  return uint32_t(p[0]) << 8 | p[1];
}

// Reads a big-endian long through the CPU read rule.
inline uint32_t readLong(uint32_t address) {
  address &= ADDRESS_MASK;
  if (address >= MEMORY_SIZE - 3) [[unlikely]]
    return readSlow(address, 4);
  const uint8_t* p = machineMemory + address;
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Writes a byte through the CPU write rule; the sound-command port also queues it.
inline void writeByte(uint32_t address, uint32_t value) {
  address &= ADDRESS_MASK;
  if (address == SOUND_COMMAND_PORT)
    pushSoundCommand(uint8_t(value));
  // One unsigned compare catches both the ROM area and the outside.
  if (address - ROM_LIMIT >= MEMORY_SIZE - ROM_LIMIT) [[unlikely]]
    return writeSlow(address, value, 1);
  machineMemory[address] = uint8_t(value);
  memoryChanged[address >> CHANGE_BLOCK_SHIFT] = 1;
}

// Writes a big-endian word through the CPU write rule (never queued).
inline void writeWord(uint32_t address, uint32_t value) {
  address &= ADDRESS_MASK;
  if (address - ROM_LIMIT >= MEMORY_SIZE - 1 - ROM_LIMIT) [[unlikely]]
    return writeSlow(address, value, 2);
  uint8_t* p = machineMemory + address;
  p[0] = uint8_t(value >> 8);
  p[1] = uint8_t(value);
  memoryChanged[address >> CHANGE_BLOCK_SHIFT] = 1;
}

// Writes a big-endian long through the CPU write rule.
inline void writeLong(uint32_t address, uint32_t value) {
  address &= ADDRESS_MASK;
  if (address - ROM_LIMIT >= MEMORY_SIZE - 3 - ROM_LIMIT) [[unlikely]]
    return writeSlow(address, value, 4);
  uint8_t* p = machineMemory + address;
  p[0] = uint8_t(value >> 24);
  p[1] = uint8_t(value >> 16);
  p[2] = uint8_t(value >> 8);
  p[3] = uint8_t(value);
  memoryChanged[address >> CHANGE_BLOCK_SHIFT] = 1;
}

// Host-side big-endian reads of the image, for addresses known to be inside.
inline uint32_t peekWord(uint32_t address) {
  return uint32_t(machineMemory[address]) << 8 | machineMemory[address + 1];
}
inline uint32_t peekLong(uint32_t address) {
  return peekWord(address) << 16 | peekWord(address + 2);
}

// Host-side access to a byte known inside the image that the host changes in place (the input
// ports): marks its block changed.
inline uint8_t& hostByte(uint32_t address) {
  memoryChanged[address >> CHANGE_BLOCK_SHIFT] = 1;
  return machineMemory[address];
}
