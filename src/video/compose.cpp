#include "video/compose.h"
#include "video/frame_store.h"

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
  convertPalette<Pixel>();
  refreshLayerBitmap(LAYER0_MAP, layerState.bitmap, layerState.cache);
  drawLayer0Base<Pixel>();
  drawLayer1<Pixel>(LAYER1_MAP, layer1ScrollX(), layer1ScrollY(), 0);
  drawSprites<Pixel>();
  drawLayer1<Pixel>(LAYER1_MAP, layer1ScrollX(), layer1ScrollY(), 1);
  drawLayer0Priority<Pixel>();
}
template void composeFrame<uint8_t>();
template void composeFrame<uint32_t>();
