/* The demo's state record and the functions of its parts. */
#ifndef DEMO_DEMO_H
#define DEMO_DEMO_H

#include "hw.h"

#define MAX_SHOTS 24
#define BALL_COUNT 3
#define SHOWCASE_COUNT 7

/* Where the layer-0 picture is divided into bands (frame lines). */
#define WAVE_FIRST_LINE 24
#define WAVE_END_LINE 192
#define GROUND_FIRST_ROW 24
#define HUD_FIRST_ROW 28

/* Tile numbers in character RAM (the font uses the ASCII codes 32-95). */
#define TILE_BLANK 0
#define TILE_BLOCK 128   /* four quadrants of a 16x16 bevelled block */
#define TILE_LATTICE 132
#define TILE_BRICK 133
#define TILE_CLOUD 136   /* four quadrants of a 16x16 cloud */
#define TILE_GIRDER 140
#define PANEL_TEXT 160   /* added to a character code: the font on an opaque panel */

/* Colour banks: sprites use banks 0-15, layers any of 0-127. */
#define BANK_SHIP 1
#define BANK_SHOT 2
#define BANK_SPREAD 3
#define BANK_SHOWCASE 4 /* seven banks, one per size */
#define BANK_BALL 11    /* three banks, one per ball */
#define BANK_TEXT 16
#define BANK_TEXT_LIT 17
#define BANK_TEXT_DIM 18
#define BANK_TITLE 19
#define BANK_BLOCK 20   /* two banks for the checkered blocks */
#define BANK_LATTICE 22
#define BANK_BRICK 23
#define BANK_CLOUD 24
#define BANK_GIRDER 25

typedef struct SpriteSize {
  u8 code, width, height;
} SpriteSize;

/* The seven sprite sizes of the board, smallest first. */
extern const SpriteSize showcaseSizes[SHOWCASE_COUNT];

typedef struct Shot {
  s16 x, y, dx, dy;
  u8 live, kind;
} Shot;

typedef struct Ball {
  s16 centreX, centreY;
  u8 phase, flash;
  u16 size; /* drawn size in pixels this frame */
} Ball;

typedef struct DemoState {
  u32 frame;
  s8 sine[256];
  /* Inputs: a port bit counts only once it has been seen clear (the ports
     start with a fill value that no key set). */
  u8 playerArmed, playerHeld, playerPressed;
  u8 switchStart, switchArmed, switchActive;
  /* Objects. */
  s16 shipX, shipY;
  Shot shots[MAX_SHOTS];
  Ball balls[BALL_COUNT];
  u16 score, shotsFired;
  /* Layers. */
  u16 layer1X, layer1Y; /* half pixels */
  u8 layer1Shown;
  /* Sprite patterns and the sprite list of this frame. */
  u16 nextPattern;
  u16 shipPattern, shotPattern, spreadPattern, ballPattern;
  u16 showcasePattern[SHOWCASE_COUNT];
  u16 spriteCount, previousSpriteCount;
} DemoState;

extern DemoState demo;

/* start.S */
/* Sets the frame flag and waits in the idle loop until the next frame interrupt. */
void waitFrame(void);

/* graphics.c */
/* Fills character RAM with the font, the layer tiles and the sprite patterns. */
void buildGraphics(void);
/* Fills demo.sine with 256 steps of one period, amplitude 127. */
void buildSineTable(void);

/* palette.c */
/* Sets every colour the demo uses. */
void setupPalette(void);
/* Per-frame colour cycling and flashes. */
void animatePalette(void);
/* A colour of the hue wheel (0-191) at a brightness (0-31). */
u16 hueColour(u16 hue, u16 level);
/* Writes one board palette entry. */
void setColour(u16 entry, u16 colour);

/* layers.c */
/* Draws both tile maps and the fixed text. */
void setupLayers(void);
/* Per-frame scroll registers, HUD text and switch effects on the layers. */
void updateLayers(void);
/* Writes text into a layer map at a cell, in a colour bank, with extra code-word bits. */
void putText(u32 codes, u16 col, u16 row, const char *text, u16 bank, u16 codeBits);

/* sprites.c */
/* Turns every sprite entry off. */
void clearSprites(void);
/* Adds one sprite to this frame's list (later ones cover earlier ones). */
void putSprite(u16 x, u16 y, u8 sizeCode, u16 pattern, u8 bank, u8 flips, u8 zoom);
/* Builds this frame's sprite list: showcase, zoomed balls, shots, ship. */
void updateSprites(void);

/* player.c */
/* Reads both ports into the armed/held/pressed/active fields. */
void readInputs(void);
/* Moves the ship and the shots, fires, scores hits on the balls. */
void updatePlayer(void);
/* Writes a sound command byte. */
void playSound(u8 command);

/* memory.c */
/* Fills n bytes at d with c (the compiler may call it for block fills). */
void *memset(void *d, int c, unsigned long n);
/* Copies n bytes from s to d (the compiler may call it for block copies). */
void *memcpy(void *d, const void *s, unsigned long n);

#endif
