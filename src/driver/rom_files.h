// The programs' loader: the ROM set and pal.bmp read from the working folder into the core.
#pragma once

// Reads the ROM files named in ROM_LOADS, in load order, and lays them into memory; false, with the
// program's message, at the first missing (or not regular) or short file, none after it opened.
bool loadRomSetFiles(char* message, int messageSize);
// Reads pal.bmp into the host palette and colour table; false, with the message, when it is missing,
// not a regular file, or short.
bool loadPaletteFile(char* message, int messageSize);
