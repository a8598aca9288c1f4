// The digest that names a picture in the programs' --digests lines and the tests.
#pragma once
#include <cstdint>

// FNV-1a 64-bit digest of the 256x240 picture at x 32 of a picture with the given pitch.
uint64_t pictureDigest(const uint8_t* picture, int pitch);
