// The content a player loads: any file of a ROM set's folder, or a .zip holding the set. Only the
// six ROM files of ROM_LOADS and pal.bmp are kept, each no further than the board takes of it; a
// .zip entry is read to its end, so that its CRC-32 is checked.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/core.h"

// Largest size a .zip entry of the set may claim: a ROM image is 64 KiB, pal.bmp about 1 KiB.
inline constexpr uint64_t CONTENT_ENTRY_LIMIT = uint64_t(16) << 20;

// One file of the set: its name, the bytes the board takes of it, and what was read.
struct ContentFile {
  const char* name;
  size_t need;
  bool found;
  std::vector<uint8_t> bytes; // at most need
};
// The six ROM images and pal.bmp: at most one entry per load plus the palette.
inline constexpr int CONTENT_FILE_LIMIT = ROM_FILE_COUNT + 1;

// Fills files with the distinct files ROM_LOADS names, then pal.bmp (last), none found yet; returns
// their count (at most CONTENT_FILE_LIMIT).
int listContentFiles(ContentFile* files);

// Reads the entries named like files (in any folder of the archive, in any case) from a .zip held
// in memory; label names the archive in messages. An entry that is not there stays unfound. False,
// with a one-line message, for bytes that are no zip archive, an entry claiming more than
// CONTENT_ENTRY_LIMIT bytes, or one that cannot be read to its end (a CRC error among them). It
// touches nothing but files and message: the board is not started.
bool readZipContent(const uint8_t* bytes, size_t size, const char* label, ContentFile* files, int count,
                    char* message, int messageSize);

// Starts the board on the set at path (its folder, or the archive when path ends in .zip); false
// with a one-line message: the program's own for a missing or short file, or why a file is refused.
bool loadContent(const char* path, char* message, int messageSize);
