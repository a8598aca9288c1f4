#include "video/picture_digest.h"

#include "video/frame_store.h"

namespace {
constexpr uint64_t FNV_OFFSET_BASIS = 0xcbf29ce484222325ull;
constexpr uint64_t FNV_PRIME = 0x100000001b3ull;
} // namespace

uint64_t pictureDigest(const uint8_t* picture, int pitch) {
  uint64_t digest = FNV_OFFSET_BASIS;
  for (int y = 0; y < VISIBLE_HEIGHT; ++y)
    for (int x = SCREEN_X; x < SCREEN_X + VISIBLE_WIDTH; ++x) {
      digest ^= picture[y * pitch + x];
      digest *= FNV_PRIME;
    }
  return digest;
}
