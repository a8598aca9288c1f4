/* The two tile layers: a wave-scrolled block pattern with a pillar band and
   the HUD on layer 0, drifting clouds, girders and text on layer 1. */
#include "demo.h"

#define WAVE_AMPLITUDE 14
#define SCORE_COLUMN 7
#define SHOTS_COLUMN 24
#define SWITCH_COLUMN 9
#define HUD_TEXT (CELL_PRIORITY + PANEL_TEXT) /* opaque, in front of everything */

static volatile u16 *cellCode(u32 codes, u16 col, u16 row) {
  return (volatile u16 *)(codes + 2UL * ((row & 31) * 64 + (col & 63)));
}

static void setCell(u32 codes, u16 col, u16 row, u16 code, u16 attribute) {
  volatile u16 *cell = cellCode(codes, col, row);
  cell[0] = code;
  cell[ATTRIBUTE_OFFSET / 2] = attribute;
}

void putText(u32 codes, u16 col, u16 row, const char *text, u16 bank, u16 codeBits) {
  for (; *text; ++text, ++col)
    setCell(codes, col, row, (u16)((u8)*text + codeBits), bank);
}

/* Five decimal digits, without dividing. */
static void putNumber(u32 codes, u16 col, u16 row, u16 value, u16 bank, u16 codeBits) {
  static const u16 POWERS[5] = {10000, 1000, 100, 10, 1};
  char text[6];
  for (u16 i = 0; i < 5; ++i) {
    char digit = '0';
    while (value >= POWERS[i]) {
      value -= POWERS[i];
      ++digit;
    }
    text[i] = digit;
  }
  text[5] = 0;
  putText(codes, col, row, text, bank, codeBits);
}

static void drawLayer0Map(void) {
  for (u16 row = 0; row < 32; ++row)
    for (u16 col = 0; col < 64; ++col) {
      if (row >= 3 && row < GROUND_FIRST_ROW) {
        /* 16x16 blocks in a checkerboard of two colour banks. */
        const u16 top = (row + 1) & 1 ? 2 : 0;
        const u16 bank = BANK_BLOCK + (((col >> 1) + ((row + 1) >> 1)) & 1);
        setCell(LAYER0_CODES, col, row, (u16)(TILE_BLOCK + top + (col & 1)), bank);
      } else if (row >= GROUND_FIRST_ROW && row < HUD_FIRST_ROW) {
        /* Brick wall with lattice pillars that pass in front of the sprites. */
        if ((col & 7) == 3 || (col & 7) == 4)
          setCell(LAYER0_CODES, col, row, TILE_LATTICE | CELL_PRIORITY, BANK_LATTICE);
        else
          setCell(LAYER0_CODES, col, row, TILE_BRICK, BANK_BRICK);
      } else {
        /* Title and HUD panels: their lines are never scrolled, so these
           priority cells cover the sprites and layer 1. */
        setCell(LAYER0_CODES, col, row, ' ' + HUD_TEXT, BANK_TEXT);
      }
    }
  putText(LAYER0_CODES, 5, 1, "QUILLOMARK BOARD DEMO", BANK_TITLE, HUD_TEXT);
  putText(LAYER0_CODES, 1, HUD_FIRST_ROW, "SCORE", BANK_TEXT, HUD_TEXT);
  putText(LAYER0_CODES, 18, HUD_FIRST_ROW, "SHOTS", BANK_TEXT, HUD_TEXT);
  putText(LAYER0_CODES, 1, HUD_FIRST_ROW + 1, "SWITCH", BANK_TEXT, HUD_TEXT);
  putText(LAYER0_CODES, 1, HUD_FIRST_ROW + 2, "MOVE:ARROWS FIRE:SPACE/ALT/CTRL", BANK_TEXT_DIM, HUD_TEXT);
}

static u32 nextRandom(u32 *seed) {
  *seed = *seed * 1103515245UL + 12345UL;
  return *seed >> 8;
}

/* Clouds (behind the sprites, some mirrored), girders and a line of text
   (in front of them), or an empty map while switch 6 hides the layer. */
static void drawLayer1Map(u8 shown) {
  for (u16 row = 0; row < 32; ++row)
    for (u16 col = 0; col < 64; ++col)
      setCell(LAYER1_CODES, col, row, TILE_BLANK, 0);
  if (!shown)
    return;
  u32 seed = 2026;
  for (u16 k = 0; k < 28; ++k) {
    const u32 r = nextRandom(&seed);
    const u16 col = r & 63, row = (r >> 6) & 31, mirrored = (r >> 11) & 1;
    for (u16 q = 0; q < 4; ++q) {
      const u16 across = mirrored ? 1 - (q & 1) : (q & 1);
      setCell(LAYER1_CODES, col + across, row + (q >> 1), (u16)(TILE_CLOUD + q),
              mirrored ? BANK_CLOUD | CELL_HFLIP : BANK_CLOUD);
    }
  }
  for (u16 k = 0; k < 10; ++k) {
    const u32 r = nextRandom(&seed);
    const u16 col = r & 63, row = (r >> 6) & 31;
    for (u16 i = 0; i < 4; ++i)
      setCell(LAYER1_CODES, col + i, row, TILE_GIRDER | CELL_PRIORITY, BANK_GIRDER);
  }
  putText(LAYER1_CODES, 2, 12, "LAYER 1 TEXT IN FRONT OF SPRITES", BANK_TEXT_LIT, CELL_PRIORITY);
  putText(LAYER1_CODES, 34, 20, "LAYER 1 TEXT BEHIND SPRITES", BANK_TEXT, 0);
}

void setupLayers(void) {
  drawLayer0Map();
  demo.layer1Shown = 1;
  drawLayer1Map(demo.layer1Shown);
  IO16(SCROLL_RAM + 0xF80) = 0; /* layer-0 vertical scroll */
}

/* Per-line horizontal scroll of layer 0: a travelling sine wave over the
   block band (switch 2 or 4 straightens it), zero elsewhere. */
static void scrollLayer0(void) {
  const s16 amplitude = (demo.switchActive & SWITCH_KEY2_4) ? 0 : WAVE_AMPLITUDE;
  const u8 phase = (u8)(demo.frame * 3);
  const u16 drift = (u16)(demo.frame >> 1);
  volatile u16 *low = (volatile u16 *)SCROLL_RAM;
  volatile u16 *high = (volatile u16 *)(SCROLL_RAM + 0x200);
  for (u16 line = 0; line < 256; ++line) {
    u16 scroll = 0;
    if (line >= WAVE_FIRST_LINE && line < WAVE_END_LINE)
      scroll = (u16)(((demo.sine[(u8)(phase + line * 2)] * amplitude) >> 7) + drift) & 511;
    low[line] = scroll & 0xFF;
    high[line] = scroll >> 8;
  }
}

/* Layer 1 drifts down and right; switch 1 held drives it back. */
static void scrollLayer1(void) {
  if (demo.switchActive & SWITCH_KEY1)
    demo.layer1X -= 2, demo.layer1Y -= 1;
  else
    demo.layer1X += 2, demo.layer1Y += 1;
  const u16 x = (demo.layer1X >> 1) & 511;
  IO16(SCROLL_RAM + 0x400) = x & 0xFF;
  IO16(SCROLL_RAM + 0x600) = x >> 8;
  IO16(SCROLL_RAM + 0xF00) = (demo.layer1Y >> 1) & 255;
}

/* Which switch bit each of the keys 1 to 7 drives. */
static const u8 SWITCH_OF_KEY[7] = {SWITCH_KEY1, SWITCH_KEY2_4, SWITCH_KEY3, SWITCH_KEY2_4,
                                    SWITCH_5,    SWITCH_6,      SWITCH_7};

static void updateHud(void) {
  putNumber(LAYER0_CODES, SCORE_COLUMN, HUD_FIRST_ROW, demo.score, BANK_TEXT_LIT, HUD_TEXT);
  putNumber(LAYER0_CODES, SHOTS_COLUMN, HUD_FIRST_ROW, demo.shotsFired, BANK_TEXT_LIT, HUD_TEXT);
  for (u16 key = 0; key < 7; ++key) {
    const u16 bank = (demo.switchActive & SWITCH_OF_KEY[key]) ? BANK_TEXT_LIT : BANK_TEXT_DIM;
    setCell(LAYER0_CODES, SWITCH_COLUMN + 2 * key, HUD_FIRST_ROW + 1, (u16)('1' + key + HUD_TEXT), bank);
  }
}

void updateLayers(void) {
  const u8 shown = !(demo.switchActive & SWITCH_6);
  if (shown != demo.layer1Shown) {
    demo.layer1Shown = shown;
    drawLayer1Map(shown);
  }
  scrollLayer0();
  scrollLayer1();
  updateHud();
}
