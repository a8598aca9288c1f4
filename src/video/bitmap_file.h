// Uncompressed Windows bitmaps made in memory, for the tools that write pictures and palettes.
#pragma once
#include <cstdint>
#include <vector>

#include "video/frame_store.h"

// A bitmap file of width x height pixels, rows given top first: 8-bit with a table of 256 colours
// when colours is not null (one index a pixel), otherwise 24-bit (red, green, blue a pixel).
std::vector<uint8_t> bitmapFile(int width, int height, const uint8_t* pixels, const PaletteColour* colours);
