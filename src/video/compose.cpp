#include "video/compose.h"
#include "video/frame_store.h"

#include <algorithm>

#include "driver/board.h"
#include "driver/memory.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/sprites.h"

FrameStore frameStore;
ColourFrameStore colourFrameStore;

// Back to front: layer 0, layer-1 cells without priority, sprites, layer-1 cells
// with priority, then layer-0 priority pixels on unscrolled lines.
template <typename Pixel>
void composeFrame() {
  composeParts<Pixel>(COMPOSE_ALL);
}

template <typename Pixel>
void composeParts(unsigned parts) {
  convertPalette<Pixel>();
  refreshLayerBitmap(LAYER0_MAP, layerState.bitmap, layerState.cache);
  if (parts & COMPOSE_LAYER0) {
    drawLayer0Base<Pixel>();
  } else {
    // Without layer 0, what nothing covers shows entry 0, as pen 0 of every bank does.
    for (int line = 0; line < FRAME_LINES; ++line)
      std::fill_n(frameLine<Pixel>(line), FRAME_WIDTH, penTable<Pixel>()[0]);
  }
  if (parts & COMPOSE_LAYER1)
    drawLayer1<Pixel>(LAYER1_MAP, layer1ScrollX(), layer1ScrollY(), 0);
  if (parts & COMPOSE_SPRITES)
    drawSprites<Pixel>();
  if (parts & COMPOSE_LAYER1)
    drawLayer1<Pixel>(LAYER1_MAP, layer1ScrollX(), layer1ScrollY(), 1);
  if (parts & COMPOSE_LAYER0)
    drawLayer0Priority<Pixel>();
}
template void composeFrame<uint8_t>();
template void composeFrame<uint32_t>();
template void composeParts<uint8_t>(unsigned);
template void composeParts<uint32_t>(unsigned);
