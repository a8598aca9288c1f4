/* Glyphs and sprite pictures kept in the data ROM. */
#ifndef DEMO_FONT_H
#define DEMO_FONT_H

#include "hw.h"

#define GLYPH_WIDTH 5
#define GLYPH_HEIGHT 7

typedef struct Glyph {
  char code;
  char rows[GLYPH_HEIGHT][GLYPH_WIDTH + 1];
} Glyph;

extern const Glyph font[];
extern const u16 fontGlyphCount;
extern const char shipArt[16][17];
extern const char shotArt[8][9];
extern const char spreadArt[8][9];

#endif
