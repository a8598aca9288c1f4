// The board's ROM set: six 64 KiB images laid into machineMemory.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

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

// The files the loads name, each once, in the order of their first load.
inline constexpr int ROM_FILE_COUNT = [] {
  int count = 0;
  for (size_t i = 0; i < std::size(ROM_LOADS); ++i) {
    bool seen = false;
    for (size_t j = 0; j < i; ++j)
      seen = seen || std::string_view(ROM_LOADS[j].fileName) == ROM_LOADS[i].fileName;
    count += seen ? 0 : 1;
  }
  return count;
}();
inline constexpr std::array<const char*, ROM_FILE_COUNT> ROM_FILE_NAMES = [] {
  std::array<const char*, ROM_FILE_COUNT> names{};
  int count = 0;
  for (const RomLoad& load : ROM_LOADS) {
    bool seen = false;
    for (int i = 0; i < count; ++i)
      seen = seen || std::string_view(names[size_t(i)]) == load.fileName;
    if (!seen)
      names[size_t(count++)] = load.fileName;
  }
  return names;
}();

// One file of a ROM set held in memory, by its name in ROM_LOADS.
struct RomFile {
  const char* name;
  const uint8_t* data; // null: the file could not be had
  size_t size;
};

// The messages of a failed load; each takes the file name.
inline constexpr const char* ROM_MISSING_FORMAT = "Failed to open rom file %s";
inline constexpr const char* ROM_SHORT_FORMAT = "%s is not 64K long";

// Checks the files as the loads take them, in load order: false, with the first missing or short
// file's message in message, when one cannot be laid.
bool checkRomSet(const RomFile* files, int fileCount, char* message, int messageSize);
// Creates machineMemory (once) filled with 0xAA and lays the images into it in load order; false,
// with checkRomSet's message and nothing laid, when one cannot be laid.
bool layRomSet(const RomFile* files, int fileCount, char* message, int messageSize);
// Spreads one image over every second byte from base + lane (at most ROM_IMAGE_SIZE bytes taken).
void layRomImage(const uint8_t* image, uint32_t base, uint32_t lane);
