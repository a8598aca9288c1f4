// The content a player loads: any file of a ROM set's folder, or a .zip holding the set. Only the
// six ROM files of ROM_LOADS and pal.bmp are read, each no further than the board takes of it.
#pragma once
#include <cstdint>

// Largest size a .zip entry of the set may claim: a ROM image is 64 KiB, pal.bmp about 1 KiB.
inline constexpr uint64_t CONTENT_ENTRY_LIMIT = uint64_t(16) << 20;

// Starts the board on the set at path (its folder, or the archive when path ends in .zip); false
// with a one-line message: the program's own for a missing or short file, or why a file is refused.
bool loadContent(const char* path, char* message, int messageSize);
