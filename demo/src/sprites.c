/* The sprite list, rebuilt every frame: the seven sizes with their flips,
   the zoomed balls, the shots and the player's ship. */
#include "demo.h"

#define SPRITE_SLOTS 256
#define SHOWCASE_MIDDLE_LINE 64
#define BALL_PATTERN_SIZE 32

const SpriteSize showcaseSizes[SHOWCASE_COUNT] = {
    {SIZE_8X8, 8, 8},     {SIZE_8X16, 8, 16},   {SIZE_16X16, 16, 16}, {SIZE_16X32, 16, 32},
    {SIZE_32X16, 32, 16}, {SIZE_32X32, 32, 32}, {SIZE_64X64, 64, 64},
};
static const u16 SHOWCASE_X[SHOWCASE_COUNT] = {8, 24, 40, 64, 88, 128, 176};

/* Sprite RAM entry of scan index i: the board scans 0x180EF0 downwards,
   then 0x180FF0 down to 0x180F00. */
static volatile u16 *spriteEntry(u16 index) {
  const u32 offset = index < 240 ? 0xEF0UL - 16UL * index : 0xFF0UL - 16UL * (index - 240);
  return (volatile u16 *)(SPRITE_RAM + offset);
}

void clearSprites(void) {
  for (u16 i = 0; i < SPRITE_SLOTS; ++i)
    spriteEntry(i)[4] = 1; /* the entry's off bit */
  demo.spriteCount = demo.previousSpriteCount = 0;
}

void putSprite(u16 x, u16 y, u8 sizeCode, u16 pattern, u8 bank, u8 flips, u8 zoom) {
  if (demo.spriteCount >= SPRITE_SLOTS)
    return;
  const u16 index = demo.spriteCount++;
  volatile u16 *entry = spriteEntry(index);
  entry[0] = index; /* an entry is drawn only when it names its own slot */
  entry[1] = sizeCode | (flips & 1);
  entry[2] = zoom;
  entry[3] = pattern & 0xFF;
  entry[4] = (u16)(bank << 1 | (flips & 2) << 4 | (pattern >> 8) << 6);
  entry[5] = x & 0x1FF;
  entry[6] = y & 0xFF;
  entry[7] = 0;
}

/* One card of each size, bobbing, each stepping through no flip, horizontal,
   vertical and both at its own phase. Switch 7 hides them. */
static void putShowcase(void) {
  if (demo.switchActive & SWITCH_7)
    return;
  for (u16 i = 0; i < SHOWCASE_COUNT; ++i) {
    const SpriteSize *size = &showcaseSizes[i];
    const s16 bob = demo.sine[(u8)(demo.frame * 2 + i * 36)] >> 5;
    const u8 flips = (u8)((demo.frame >> 6) + i) & 3;
    putSprite(SHOWCASE_X[i], (u16)(SHOWCASE_MIDDLE_LINE - size->height / 2 + bob), size->code,
              demo.showcasePattern[i], (u8)(BANK_SHOWCASE + i), flips, ZOOM_NORMAL);
  }
}

/* Balls that grow to double size and shrink to about half, each at its own
   phase, kept centred. Switch 3 held shows them at normal size. */
static void putBalls(void) {
  for (u16 i = 0; i < BALL_COUNT; ++i) {
    Ball *ball = &demo.balls[i];
    u8 zoom = ZOOM_NORMAL;
    if (!(demo.switchActive & SWITCH_KEY3))
      zoom = (u8)(0x9F + ((demo.sine[(u8)(demo.frame + ball->phase)] * 0x5E) >> 7)); /* 0x41-0xFD */
    u16 step = (u16)(2 * zoom);
    if (step < 128)
      step = 128;
    ball->size = zoom == ZOOM_NORMAL ? BALL_PATTERN_SIZE : (u16)((BALL_PATTERN_SIZE * 256 + step - 1) / step);
    putSprite((u16)(ball->centreX - ball->size / 2), (u16)(ball->centreY - ball->size / 2), SIZE_32X32,
              demo.ballPattern, (u8)(BANK_BALL + i), 0, zoom);
  }
}

static void putShots(void) {
  for (u16 i = 0; i < MAX_SHOTS; ++i) {
    const Shot *shot = &demo.shots[i];
    if (!shot->live)
      continue;
    if (shot->kind)
      putSprite((u16)shot->x, (u16)shot->y, SIZE_8X8, demo.spreadPattern, BANK_SPREAD, 0, ZOOM_NORMAL);
    else
      putSprite((u16)shot->x, (u16)shot->y, SIZE_8X8, demo.shotPattern, BANK_SHOT, 0, ZOOM_NORMAL);
  }
}

void updateSprites(void) {
  demo.spriteCount = 0;
  putShowcase();
  putBalls();
  putShots();
  putSprite((u16)demo.shipX, (u16)demo.shipY, SIZE_16X16, demo.shipPattern, BANK_SHIP, 0, ZOOM_NORMAL);
  /* Entries used last frame and not this one are switched off. */
  for (u16 i = demo.spriteCount; i < demo.previousSpriteCount; ++i)
    spriteEntry(i)[4] = 1;
  demo.previousSpriteCount = demo.spriteCount;
}
