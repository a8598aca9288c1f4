/* Character RAM: the font, the layer tiles and the sprite patterns, all drawn
   at start-up from the glyphs and pictures in the data ROM and from formulas. */
#include "demo.h"
#include "font.h"

/* Pen of pixel (x, y) of a picture of the given size. */
typedef u8 (*PenFunction)(s16 x, s16 y, s16 width, s16 height);

#define FIRST_FREE_PATTERN 128 /* sprite patterns start above tile 255 */

static u32 tileAddress(u16 tile) { return CHARACTER_RAM + 32UL * tile; }
static u32 patternAddress(u16 pattern) { return CHARACTER_RAM + 64UL * pattern; }

/* Paints width x height pixels of a fullWidth x fullHeight picture, starting at
   (originX, originY) of it, as rows of width/2 bytes with the left pixel in the
   high nibble: the layout of both tiles and sprite patterns. */
static void paint(u32 address, s16 width, s16 height, s16 originX, s16 originY, s16 fullWidth, s16 fullHeight,
                  PenFunction pen) {
  u8 *out = (u8 *)address;
  for (s16 y = originY; y < originY + height; ++y)
    for (s16 x = originX; x < originX + width; x += 2)
      *out++ = (u8)(pen(x, y, fullWidth, fullHeight) << 4 | pen(x + 1, y, fullWidth, fullHeight));
}

/* Paints a 16x16 picture into four consecutive tiles (top-left, top-right, bottom-left, bottom-right). */
static void paintQuadTiles(u16 firstTile, PenFunction pen) {
  for (u16 q = 0; q < 4; ++q)
    paint(tileAddress(firstTile + q), 8, 8, (q & 1) * 8, (q >> 1) * 8, 16, 16, pen);
}

/* Reserves character RAM for a sprite pattern and returns its number. */
static u16 allocatePattern(u16 width, u16 height) {
  const u16 pattern = demo.nextPattern;
  demo.nextPattern += (u16)((width / 2 * height + 63) / 64);
  return pattern;
}

static u8 artPen(char c) {
  if (c >= '1' && c <= '9')
    return (u8)(c - '0');
  if (c >= 'a' && c <= 'f')
    return (u8)(c - 'a' + 10);
  return 0;
}

/* A sprite pattern from a picture of rows of characters (row stride in bytes). */
static u16 paintArt(const char *rows, u16 stride, u16 width, u16 height) {
  const u16 pattern = allocatePattern(width, height);
  u8 *out = (u8 *)patternAddress(pattern);
  for (u16 y = 0; y < height; ++y)
    for (u16 x = 0; x < width; x += 2)
      *out++ = (u8)(artPen(rows[y * stride + x]) << 4 | artPen(rows[y * stride + x + 1]));
  return pattern;
}

static const Glyph blankGlyph = {' ', {"", "", "", "", "", "", ""}};

static u8 glyphInk(const Glyph *glyph, s16 x, s16 y) {
  if (x < 0 || y < 0 || x >= GLYPH_WIDTH || y >= GLYPH_HEIGHT)
    return 0;
  return glyph->rows[y][x] == '#';
}

/* A font tile: ink in pen 1 from column 1, a shadow in pen 2 one pixel down
   and right, and the given background pen. */
static void paintGlyph(const Glyph *glyph, u16 tile, u8 background) {
  u8 *out = (u8 *)tileAddress(tile);
  for (s16 y = 0; y < 8; ++y)
    for (s16 x = 0; x < 8; x += 2) {
      u8 pens = 0;
      for (s16 half = 0; half < 2; ++half) {
        const s16 px = x + half;
        const u8 pen = glyphInk(glyph, px - 1, y) ? 1 : glyphInk(glyph, px - 2, y - 1) ? 2 : background;
        pens = (u8)(pens << 4 | pen);
      }
      *out++ = pens;
    }
}

static s16 absolute(s16 v) { return v < 0 ? (s16)-v : v; }

/* 16x16 bevelled block: light top-left edge, dark bottom-right edge, and six
   concentric rings (pens 5-10) whose colours the palette animation cycles. */
static u8 blockPen(s16 x, s16 y, s16 width, s16 height) {
  (void)width;
  (void)height;
  if (x == 0 || y == 0)
    return 1;
  if (x == 15 || y == 15)
    return 4;
  if (x == 1 || y == 1)
    return 2;
  if (x == 14 || y == 14)
    return 3;
  const s16 dx = absolute((s16)(2 * x - 15)), dy = absolute((s16)(2 * y - 15));
  return (u8)(5 + ((dx > dy ? dx : dy) >> 1));
}

/* Pillar lattice: posts at both edges, a diagonal mesh with holes between. */
static u8 latticePen(s16 x, s16 y, s16 width, s16 height) {
  (void)width;
  (void)height;
  if (x == 0 || x == 7)
    return 2;
  if (((x + y) & 3) == 0 || ((x + 8 - y) & 3) == 0)
    return 1;
  return 0;
}

/* Two courses of bricks per tile, the second offset by half a brick. */
static u8 brickPen(s16 x, s16 y, s16 width, s16 height) {
  (void)width;
  (void)height;
  if ((y & 3) == 3 || ((x + ((y >> 2) & 1) * 4) & 7) == 0)
    return 2;
  return (y & 3) == 0 ? 3 : 1;
}

static u8 inCircle(s16 x, s16 y, s16 cx, s16 cy, s16 r) {
  const s16 dx = (s16)(x - cx), dy = (s16)(y - cy);
  return dx * dx + dy * dy <= r * r;
}

/* 16x16 cloud of three puffs, lighter at the top. */
static u8 cloudPen(s16 x, s16 y, s16 width, s16 height) {
  (void)width;
  (void)height;
  if (!inCircle(x, y, 5, 9, 5) && !inCircle(x, y, 10, 9, 5) && !inCircle(x, y, 8, 5, 4))
    return 0;
  return (u8)(1 + (y > 6) + (y > 10));
}

/* Girder: flanges top and bottom, a crossed truss between. */
static u8 girderPen(s16 x, s16 y, s16 width, s16 height) {
  (void)width;
  (void)height;
  if (y == 0 || y == 7)
    return 1;
  if (y == 1 || y == 6)
    return 2;
  return (x == y || x == 7 - y) ? 1 : 0;
}

/* Shaded sphere lit from the top left: pens 1 (dark) to 12 (highlight). */
static u8 ballPen(s16 x, s16 y, s16 width, s16 height) {
  (void)width;
  (void)height;
  const s16 dx = (s16)(2 * x - 31), dy = (s16)(2 * y - 31);
  if (dx * dx + dy * dy > 31 * 31)
    return 0;
  const s16 lx = (s16)(dx + 12), ly = (s16)(dy + 12);
  const s16 shade = (s16)((lx * lx + ly * ly) >> 8);
  return (u8)(12 - (shade > 11 ? 11 : shade));
}

/* Showcase card: white border (15), a yellow triangle in the top-left corner
   (14) so that every flip shows, and a top-to-bottom gradient (pens 2-7). */
static u8 showcasePen(s16 x, s16 y, s16 width, s16 height) {
  if (x == 0 || y == 0 || x == width - 1 || y == height - 1)
    return 15;
  const s16 corner = (width < height ? width : height) / 2;
  if (x + y < corner)
    return 14;
  return (u8)(2 + (y * 6) / height);
}

void buildGraphics(void) {
  memset((void *)CHARACTER_RAM, 0, 0x10000);
  /* Two copies of the font: see-through (at the ASCII codes) and on a panel. */
  for (u16 i = 0; i < fontGlyphCount; ++i) {
    paintGlyph(&font[i], (u8)font[i].code, 0);
    paintGlyph(&font[i], (u16)((u8)font[i].code + PANEL_TEXT), 3);
  }
  paintGlyph(&blankGlyph, ' ' + PANEL_TEXT, 3);
  paintQuadTiles(TILE_BLOCK, blockPen);
  paintQuadTiles(TILE_CLOUD, cloudPen);
  paint(tileAddress(TILE_LATTICE), 8, 8, 0, 0, 8, 8, latticePen);
  paint(tileAddress(TILE_BRICK), 8, 8, 0, 0, 8, 8, brickPen);
  paint(tileAddress(TILE_GIRDER), 8, 8, 0, 0, 8, 8, girderPen);

  demo.nextPattern = FIRST_FREE_PATTERN;
  demo.shipPattern = paintArt(&shipArt[0][0], sizeof shipArt[0], 16, 16);
  demo.shotPattern = paintArt(&shotArt[0][0], sizeof shotArt[0], 8, 8);
  demo.spreadPattern = paintArt(&spreadArt[0][0], sizeof spreadArt[0], 8, 8);
  demo.ballPattern = allocatePattern(32, 32);
  paint(patternAddress(demo.ballPattern), 32, 32, 0, 0, 32, 32, ballPen);
  for (u16 i = 0; i < SHOWCASE_COUNT; ++i) {
    const SpriteSize *size = &showcaseSizes[i];
    demo.showcasePattern[i] = allocatePattern(size->width, size->height);
    paint(patternAddress(demo.showcasePattern[i]), size->width, size->height, 0, 0, size->width, size->height,
          showcasePen);
  }
}

void buildSineTable(void) {
  /* Bhaskara's approximation over each half period: 4q / (20480 - q) x 127
     with q = i (128 - i), exact at 0, 64 and 128. */
  for (u16 i = 0; i < 128; ++i) {
    const u32 q = (u32)i * (128 - i);
    const s8 s = (s8)((508 * q) / (20480 - q));
    demo.sine[i] = s;
    demo.sine[128 + i] = (s8)-s;
  }
}
