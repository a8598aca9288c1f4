#include "video/display.h"
#include "video/palette.h"

// Placeholder until the layers and sprites land: only the palette is converted.
void composeFrame() { convertPalette(); }
