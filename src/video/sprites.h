// Sprites: 256 entries of sprite RAM drawn between the two layer-1 passes.
#pragma once
#include <cstdint>

inline constexpr int SPRITE_COUNT = 256;
inline constexpr int SPRITE_ENTRY_SIZE = 16;
inline constexpr uint8_t ZOOM_NORMAL = 0x80;
inline constexpr uint8_t UNKNOWN_SIZE_CODE = 0x28;

struct SpriteState {
  uint32_t zoomedSpriteCount; // scaled sprites drawn since start; drives the colour shift
  uint32_t inspector;         // key I: the desktop holds the emulation and shows one sprite entry
  uint8_t inspectedSlot;      // F5/F6: the scan index the inspector shows
  bool inspecting;            // this composition draws only inspectedSlot (the desktop's inspector)
};

extern SpriteState spriteState;

// What becomes of a sprite entry in a frame, in the order the checks are made.
enum SpriteVerdict {
  SPRITE_DRAWN,         // drawn (a zoomed entry of unknown size as a single line)
  SPRITE_NOT_ITS_INDEX, // byte 1 is not the entry's scan index
  SPRITE_HIDDEN,        // bit 0 of byte 9 set, or byte 3 is 0xFF
  SPRITE_ZERO_ZOOM,     // zoom 0 or 0xFF
  SPRITE_OFF_SCREEN,    // x at or past the limit of its size
  SPRITE_NO_SIZE,       // size code 0x28 at normal size: nothing to draw
};
// The verdicts as the tools name them, in SpriteVerdict's order.
inline constexpr const char* SPRITE_VERDICT_NAMES[] = {"drawn",      "not its index", "hidden",
                                                       "zero zoom", "off screen",    "unknown size"};
// Why the entry at scan index i is or is not drawn.
SpriteVerdict spriteVerdict(const uint8_t* entry, int i);
// Width and height of an entry's size code (0 x 0 for 0x28 at normal size), and its x.
int spriteWidth(const uint8_t* entry);
int spriteHeight(const uint8_t* entry);
int spriteX(const uint8_t* entry);
// Width and height an entry covers on the screen (before the right and bottom edges cut it): its size,
// or for a zoomed entry the size scaled by its zoom.
int spriteShownWidth(const uint8_t* entry);
int spriteShownHeight(const uint8_t* entry);
// Sprite RAM address of the entry that scan index i (0..255) visits.
uint32_t spriteEntryAddress(int i);
// Draws the sprites in scan order into the working frame of the store of Pixel (only the inspected
// one while inspecting).
template <typename Pixel = uint8_t>
void drawSprites();
