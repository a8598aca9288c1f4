// Composition of the working frame from video RAM.
#pragma once

// Composes the working frame: palette conversion, both layers, sprites and the priority passes.
void composeFrame();
