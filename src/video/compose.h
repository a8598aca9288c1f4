// Composition of the working frame from video RAM.
#pragma once
#include <cstdint>

// Composes the working frame into the store of Pixel (frame_store.h): host palette indices
// (uint8_t), or XRGB8888 through the host palette (uint32_t), the same picture either way.
template <typename Pixel = uint8_t>
void composeFrame();
