// Composition of the working frame from video RAM.
#pragma once
#include <cstdint>

// Composes the working frame into the store of Pixel (frame_store.h): host palette indices
// (uint8_t), or XRGB8888 through the host palette (uint32_t), the same picture either way.
template <typename Pixel = uint8_t>
void composeFrame();

// The parts of a composition a front end may leave out of the picture it shows.
enum ComposePart : unsigned {
  COMPOSE_LAYER0 = 1,
  COMPOSE_LAYER1 = 2,
  COMPOSE_SPRITES = 4,
  COMPOSE_ALL = COMPOSE_LAYER0 | COMPOSE_LAYER1 | COMPOSE_SPRITES,
};
// Composes the working frame with only the parts (ComposePart bits) given; uncovered pixels show
// palette entry 0.
template <typename Pixel = uint8_t>
void composeParts(unsigned parts);
