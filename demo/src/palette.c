/* Palette RAM: the demo's colours and their animation. */
#include "demo.h"

void setColour(u16 entry, u16 colour) {
  volatile u16 *slot = (volatile u16 *)(PALETTE_RAM + 4UL * entry);
  slot[0] = colour >> 8; /* the odd byte of each word carries the colour */
  slot[1] = colour & 0xFF;
}

u16 hueColour(u16 hue, u16 level) {
  while (hue >= 192)
    hue -= 192;
  const u16 f = hue & 31, rise = f, fall = 31 - f;
  u16 r, g, b;
  switch (hue >> 5) {
  case 0: r = 31, g = rise, b = 0; break;
  case 1: r = fall, g = 31, b = 0; break;
  case 2: r = 0, g = 31, b = rise; break;
  case 3: r = 0, g = fall, b = 31; break;
  case 4: r = rise, g = 0, b = 31; break;
  default: r = 31, g = 0, b = fall; break;
  }
  return RGB(r * level >> 5, g * level >> 5, b * level >> 5);
}

/* A ramp of pens first..first+count-1 in one hue, from dark to full brightness. */
static void setRamp(u16 bank, u16 first, u16 count, u16 hue, u16 darkest) {
  for (u16 i = 0; i < count; ++i)
    setColour(bank * 16 + first + i, hueColour(hue, darkest + (31 - darkest) * i / (count - 1)));
}

static void setBankColours(u16 bank, const u16 *colours, u16 count) {
  for (u16 pen = 1; pen <= count; ++pen)
    setColour(bank * 16 + pen, colours[pen - 1]);
}

static const u16 SHIP_COLOURS[15] = {
    RGB(31, 31, 31), RGB(31, 28, 8), RGB(31, 16, 0), RGB(6, 8, 14), 0, 0, 0, 0, RGB(31, 6, 6),
    RGB(12, 14, 20), 0, RGB(10, 31, 31), RGB(20, 22, 26), RGB(26, 28, 31), RGB(31, 31, 31),
};
static const u16 SHOT_COLOURS[7] = {
    RGB(31, 16, 0), 0, RGB(31, 24, 4), 0, 0, 0, RGB(31, 31, 24),
};
static const u16 SPREAD_COLOURS[7] = {
    0, 0, 0, 0, RGB(4, 20, 16), RGB(8, 31, 24), RGB(28, 31, 31),
};
#define PANEL RGB(4, 5, 12)
static const u16 TEXT_COLOURS[3][3] = {
    {RGB(31, 31, 31), RGB(0, 0, 4), PANEL},
    {RGB(31, 31, 8), RGB(8, 4, 0), PANEL},
    {RGB(16, 16, 22), RGB(0, 0, 4), PANEL},
};
static const u16 LATTICE_COLOURS[2] = {RGB(26, 24, 12), RGB(31, 31, 20)};
static const u16 BRICK_COLOURS[3] = {RGB(18, 8, 4), RGB(6, 3, 2), RGB(24, 12, 6)};
static const u16 CLOUD_COLOURS[3] = {RGB(31, 31, 31), RGB(24, 26, 30), RGB(16, 18, 26)};
static const u16 GIRDER_COLOURS[2] = {RGB(31, 12, 4), RGB(20, 6, 2)};
static const u16 BALL_HUES[BALL_COUNT] = {0, 64, 140};

/* Block colours; switch 5 changes the scheme. */
static void setBlockColours(void) {
  const u16 schemeHue = (demo.switchActive & SWITCH_5) ? 40 : 128;
  for (u16 b = 0; b < 2; ++b) {
    const u16 bank = BANK_BLOCK + b, hue = schemeHue + b * 24;
    setColour(bank * 16 + 1, hueColour(hue, 24));
    setColour(bank * 16 + 2, hueColour(hue, 18));
    setColour(bank * 16 + 3, hueColour(hue, 8));
    setColour(bank * 16 + 4, hueColour(hue, 4));
  }
}

void setupPalette(void) {
  setColour(0, RGB(2, 3, 9)); /* backdrop: pen 0 of every layer-0 cell */
  setBankColours(BANK_SHIP, SHIP_COLOURS, 15);
  setBankColours(BANK_SHOT, SHOT_COLOURS, 7);
  setBankColours(BANK_SPREAD, SPREAD_COLOURS, 7);
  for (u16 i = 0; i < SHOWCASE_COUNT; ++i) {
    const u16 bank = BANK_SHOWCASE + i;
    setRamp(bank, 2, 6, i * 27, 12);
    setColour(bank * 16 + 14, RGB(31, 31, 0));
    setColour(bank * 16 + 15, RGB(31, 31, 31));
  }
  for (u16 i = 0; i < 3; ++i)
    setBankColours(BANK_TEXT + i, TEXT_COLOURS[i], 3);
  setColour(BANK_TITLE * 16 + 2, RGB(0, 0, 2));
  setColour(BANK_TITLE * 16 + 3, PANEL);
  setBankColours(BANK_LATTICE, LATTICE_COLOURS, 2);
  setBankColours(BANK_BRICK, BRICK_COLOURS, 3);
  setBankColours(BANK_CLOUD, CLOUD_COLOURS, 3);
  setBankColours(BANK_GIRDER, GIRDER_COLOURS, 2);
  setBlockColours();
}

void animatePalette(void) {
  const u16 frame = (u16)demo.frame;
  /* Title: one colour running round the hue wheel. */
  setColour(BANK_TITLE * 16 + 1, hueColour(frame * 2, 31));
  /* Block rings: a brightness wave travelling inwards. */
  setBlockColours();
  for (u16 b = 0; b < 2; ++b) {
    const u16 hue = ((demo.switchActive & SWITCH_5) ? 40 : 128) + b * 24;
    for (u16 ring = 0; ring < 6; ++ring) {
      const s16 wave = demo.sine[(u8)(ring * 32 + frame * 4)];
      setColour((BANK_BLOCK + b) * 16 + 5 + ring, hueColour(hue, (u16)(4 + ((wave + 128) * 14 >> 8))));
    }
  }
  /* Ship exhaust flicker. */
  setColour(BANK_SHIP * 16 + 2, (frame & 2) ? RGB(31, 28, 8) : RGB(31, 12, 0));
  setColour(BANK_SHIP * 16 + 3, (frame & 4) ? RGB(31, 16, 0) : RGB(24, 4, 0));
  /* Balls: shaded ramps, white while flashing after a hit. */
  for (u16 i = 0; i < BALL_COUNT; ++i) {
    Ball *ball = &demo.balls[i];
    if (ball->flash) {
      --ball->flash;
      for (u16 pen = 1; pen <= 12; ++pen)
        setColour((BANK_BALL + i) * 16 + pen, RGB(31, 31, 16 + pen));
    } else {
      setRamp(BANK_BALL + i, 1, 12, BALL_HUES[i], 3);
    }
  }
}
