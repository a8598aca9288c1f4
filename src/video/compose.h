// Composition of the working frame from video RAM.
#pragma once

// Composes the working frame: palette conversion, both layers, sprites and the priority passes.
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
void composeParts(unsigned parts);
