/* The hello program: a line of text in its own font on layer 0 and a ball on a sprite that the
   joystick moves, one step a frame. docs/programming.md describes the board. */
typedef unsigned char u8;
typedef unsigned short u16;
typedef unsigned long u32;
typedef short s16;

#define PALETTE_RAM 0x090000UL   /* 2048 entries of 4 bytes: the colour word in the two odd bytes */
#define LAYER0_CODES 0x100000UL  /* 64 x 32 cell code words, row by row */
#define ATTRIBUTE_OFFSET 0x2000UL /* each cell's attribute word follows its code word by this */
#define CHARACTER_RAM 0x120000UL /* tiles of 32 bytes, sprite patterns in units of 64 */
#define SPRITE_RAM 0x180000UL    /* 256 entries of 16 bytes */
#define SCROLL_RAM 0x190000UL    /* scroll tables */
#define PLAYER_PORT 0x0C2003UL   /* joystick and buttons, a bit set while held */
#define FIRST_SPRITE 0x180EF0UL  /* the entry of scan index 0 */

#define RGB(r, g, b) ((u16)((r) | (g) << 5 | (b) << 10))
#define TEXT_BANK 1
#define BALL_BANK 2
#define BALL_PATTERN 64 /* byte offset 0x1000 of character RAM: above the font's tiles */
#define SIZE_16X16 0x38
#define ZOOM_NORMAL 0x80
#define SPEED 2

void waitFrame(void); /* start.S */

u32 frames; /* frames the loop below has finished */

/* Video memory starts filled with 0xAA: cleared, no scroll is set, no sprite is drawn (zoom 0)
   and every cell shows tile 0, which stays blank. */
static const u32 CLEARED[][2] = {
    {PALETTE_RAM, 0x2000}, {LAYER0_CODES, 0x4000}, {CHARACTER_RAM, 0x10000},
    {SPRITE_RAM, 0x1000},  {SCROLL_RAM, 0x1000},
};

/* 5x7 glyphs, one bit a pixel, bit 4 leftmost; each becomes the tile of its character code. */
static const struct {
  char code;
  u8 rows[7];
} FONT[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}}, {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
};

/* A board colour: 5 bits each of red, green and blue, written into the odd bytes of the entry. */
static void setColour(u16 entry, u16 colour) {
  volatile u16 *slot = (volatile u16 *)(PALETTE_RAM + 4UL * entry);
  slot[0] = colour >> 8;
  slot[1] = colour & 0xFF;
}

/* Tiles are 8 rows of 4 bytes, two pixels a byte, the left one in the high nibble. */
static void drawFont(void) {
  for (u16 g = 0; g < sizeof FONT / sizeof FONT[0]; ++g) {
    volatile u8 *tile = (volatile u8 *)(CHARACTER_RAM + 32UL * (u8)FONT[g].code);
    for (u16 y = 0; y < 7; ++y) {
      const u16 ink = (u16)(FONT[g].rows[y] << 2); /* pixel x in bit 7 - x: one blank column left */
      for (u16 x = 0; x < 8; x += 2)
        tile[4 * y + x / 2] = (u8)((ink >> (7 - x) & 1) << 4 | (ink >> (6 - x) & 1));
    }
  }
}

/* Pen of pixel (x, y) of the 16x16 ball: a rim (2), a body (1) and a highlight (3). Out of line,
   its products stay 16-bit (MULS.W): in the loop gcc would widen them and call __mulsi3. */
static __attribute__((noinline)) u8 ballPen(s16 x, s16 y) {
  const s16 dx = (s16)(2 * x - 15), dy = (s16)(2 * y - 15), lx = (s16)(dx + 6), ly = (s16)(dy + 6);
  const s16 d = (s16)(dx * dx + dy * dy);
  return d > 225 ? 0 : d > 150 ? 2 : lx * lx + ly * ly < 30 ? 3 : 1;
}

/* Sprite patterns are rows of width / 2 bytes, packed like tiles. */
static void drawBall(void) {
  volatile u8 *pattern = (volatile u8 *)(CHARACTER_RAM + 64UL * BALL_PATTERN);
  for (s16 y = 0; y < 16; ++y)
    for (s16 x = 0; x < 16; x += 2)
      *pattern++ = (u8)(ballPen(x, y) << 4 | ballPen((s16)(x + 1), y));
}

static void putText(u16 column, u16 row, const char *text) {
  volatile u16 *cell = (volatile u16 *)(LAYER0_CODES + 2UL * (row * 64U + column));
  for (; *text; ++text, ++cell) {
    *cell = (u8)*text;                          /* code word: tile number, no flip, no priority */
    cell[ATTRIBUTE_OFFSET / 2] = TEXT_BANK;     /* attribute word: colour bank, not mirrored */
  }
}

static void putBall(u16 x, u16 y) {
  volatile u16 *entry = (volatile u16 *)FIRST_SPRITE;
  entry[0] = 0;              /* byte 1: the entry's own scan index, or it is not drawn */
  entry[1] = SIZE_16X16;     /* byte 3: size code; bit 0 mirrors */
  entry[2] = ZOOM_NORMAL;    /* byte 5: zoom, 0x80 for none */
  entry[3] = BALL_PATTERN;   /* byte 7: pattern bits 0-7 */
  entry[4] = BALL_BANK << 1; /* byte 9: bit 0 hides, bits 1-4 bank, bit 5 flips, bits 6-7 pattern */
  entry[5] = x;              /* bytes 10-11: x, 9 bits */
  entry[6] = y;              /* byte 13: y; line 8 is the top of the screen */
}

void main(void) {
  for (u16 i = 0; i < sizeof CLEARED / sizeof CLEARED[0]; ++i)
    for (u32 a = CLEARED[i][0]; a < CLEARED[i][0] + CLEARED[i][1]; a += 4)
      *(volatile u32 *)a = 0;
  setColour(0, RGB(2, 4, 10)); /* the backdrop: pen 0 of layer 0 */
  setColour(TEXT_BANK * 16 + 1, RGB(31, 31, 31));
  setColour(BALL_BANK * 16 + 1, RGB(31, 22, 0));
  setColour(BALL_BANK * 16 + 2, RGB(22, 8, 0));
  setColour(BALL_BANK * 16 + 3, RGB(31, 31, 24));
  drawFont();
  drawBall();
  putText(10, 4, "HELLO BOARD");

  u16 x = 120, y = 120;
  u8 armed = 0;
  for (;;) {
    /* The port starts at 0xAA, not from keys: a bit counts once it has been seen clear. */
    const u8 port = *(volatile u8 *)PLAYER_PORT;
    armed |= (u8)~port;
    const u8 held = port & armed;
    if ((held & 0x01) && x > 0) x -= SPEED;   /* bit 0: left */
    if ((held & 0x02) && x < 240) x += SPEED; /* bit 1: right */
    if ((held & 0x04) && y > 8) y -= SPEED;   /* bit 2: up */
    if ((held & 0x08) && y < 232) y += SPEED; /* bit 3: down */
    putBall(x, y);
    ++frames;
    waitFrame();
  }
}
