// Sprites: 256 entries of sprite RAM drawn between the two layer-1 passes.
#pragma once
#include <cstdint>

inline constexpr int SPRITE_COUNT = 256;
inline constexpr int SPRITE_ENTRY_SIZE = 16;
inline constexpr uint8_t ZOOM_NORMAL = 0x80;
inline constexpr uint8_t UNKNOWN_SIZE_CODE = 0x28;

struct SpriteState {
  uint32_t zoomedSpriteCount; // scaled sprites drawn since start; drives the colour shift
  bool inspecting;            // the inspector is on: only inspectedSlot is drawn, its address printed
  uint8_t inspectedSlot;      // the scan index the inspector shows
};

extern SpriteState spriteState;

// Sprite RAM address of the entry that scan index i (0..255) visits.
uint32_t spriteEntryAddress(int i);
// Draws the sprites in scan order into the working frame (only the inspected one while inspecting).
void drawSprites();
