#include "video/compose.h"
#include "video/frame_store.h"

#include <cstring>

#include "driver/board.h"
#include "driver/memory.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/sprites.h"

FrameStore frameStore;

// Back to front: layer 0, layer-1 cells without priority, sprites, layer-1 cells
// with priority, then layer-0 priority pixels on unscrolled lines.
void composeFrame() { composeParts(COMPOSE_ALL); }

void composeParts(unsigned parts) {
  convertPalette();
  refreshLayerBitmap(LAYER0_MAP, layerState.bitmap, layerState.cache);
  if (parts & COMPOSE_LAYER0) {
    drawLayer0Base();
  } else {
    // Without layer 0, what nothing covers shows entry 0, as pen 0 of every bank does.
    for (int line = 0; line < FRAME_LINES; ++line)
      memset(frameLine(line), colourTables.penLookup[0], FRAME_WIDTH);
  }
  if (parts & COMPOSE_LAYER1)
    drawLayer1(LAYER1_MAP, layer1ScrollX(), layer1ScrollY(), 0);
  if (parts & COMPOSE_SPRITES)
    drawSprites();
  if (parts & COMPOSE_LAYER1)
    drawLayer1(LAYER1_MAP, layer1ScrollX(), layer1ScrollY(), 1);
  if (parts & COMPOSE_LAYER0)
    drawLayer0Priority();
}
