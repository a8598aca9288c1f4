#include "video/compose.h"
#include "video/frame_store.h"

#include "driver/board.h"
#include "driver/memory.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/sprites.h"

FrameStore frameStore;

// Back to front: layer 0, layer-1 cells without priority, sprites, layer-1 cells
// with priority, then layer-0 priority pixels on unscrolled lines.
void composeFrame() {
  convertPalette();
  refreshLayerBitmap(LAYER0_MAP, layerState.bitmap, layerState.cache);
  drawLayer0Base();
  drawLayer1(LAYER1_MAP, layer1ScrollX(), layer1ScrollY(), 0);
  drawSprites();
  drawLayer1(LAYER1_MAP, layer1ScrollX(), layer1ScrollY(), 1);
  drawLayer0Priority();
}
