// The board's ROM set: six 64 KiB images laid into machineMemory.
#pragma once
#include <cstdint>

inline constexpr uint32_t ROM_IMAGE_SIZE = 0x10000;

struct RomLoad {
  const char* fileName;
  uint32_t base; // machineMemory address of image byte 0
  uint32_t lane; // 0: even (high) bytes, 1: odd (low) bytes
};

// The loads, in the order they are made.
inline constexpr RomLoad ROM_LOADS[] = {
    {"18b_d02.bin", 0x000000, 0}, {"18c_d05.bin", 0x000000, 1}, {"17b_l.bin", 0x1E0000, 0},
    {"17c_l.bin", 0x1E0000, 1},   {"17b_l.bin", 0x040000, 0},   {"17c_l.bin", 0x040000, 1},
    {"17b_u.bin", 0x060000, 0},   {"17c_u.bin", 0x060000, 1},
};

// Creates machineMemory filled with 0xAA and lays the ROM set into it; exits 1 on failure.
void loadRomSet();
// Spreads one image over every second byte from base + lane; exits 1 if missing or short.
void loadRomImage(const char* fileName, uint32_t base, uint32_t lane);
