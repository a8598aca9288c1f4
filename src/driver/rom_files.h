// The programs' loader: the ROM set and pal.bmp read from the working folder into the core.
#pragma once

// Reads the ROM files named in ROM_LOADS and lays them into memory; false, with the program's message
// for the first missing or short file, on failure.
bool loadRomSetFiles(char* message, int messageSize);
// Reads pal.bmp into the host palette and colour table; false, with the message, when it is missing
// or short.
bool loadPaletteFile(char* message, int messageSize);
