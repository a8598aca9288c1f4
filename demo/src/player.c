/* Inputs, the player's ship, its shots and their hits on the balls. */
#include "demo.h"

#define SHIP_SIZE 16
#define SHIP_SPEED 2
#define SHIP_LEFT 0
#define SHIP_RIGHT 240
#define SHIP_TOP 24
#define SHIP_BOTTOM 208
#define SHOT_SIZE 8
#define SHOT_TOP 8
#define HIT_SCORE 10

void playSound(u8 command) { IO8(SOUND_PORT) = command; }

void readInputs(void) {
  /* A bit counts once it has been seen clear: the ports start with a fill
     value (0xAA), not with keys that are really held. */
  const u8 player = IO8(PLAYER_PORT);
  demo.playerArmed |= (u8)~player;
  const u8 held = player & demo.playerArmed;
  demo.playerPressed = held & (u8)~demo.playerHeld;
  demo.playerHeld = held;

  /* Keys 1 and 3 count while held; bits 4-7 are latches (key 2 also holds
     bit 4) and count when they differ from their value at start. */
  const u8 switches = IO8(SWITCH_PORT);
  demo.switchArmed |= (u8)~switches;
  const u8 active = (u8)((switches & demo.switchArmed & (SWITCH_KEY1 | SWITCH_KEY3)) |
                         ((switches ^ demo.switchStart) & 0xF0));
  const u8 changed = active ^ demo.switchActive;
  for (u8 bit = 2; bit < 8; ++bit)
    if (changed & (1 << bit))
      playSound((u8)(SOUND_SWITCH + bit));
  demo.switchActive = active;
}

static void fire(s16 x, s16 y, s16 dx, s16 dy, u8 kind) {
  for (u16 i = 0; i < MAX_SHOTS; ++i) {
    Shot *shot = &demo.shots[i];
    if (shot->live)
      continue;
    shot->x = x, shot->y = y, shot->dx = dx, shot->dy = dy;
    shot->kind = kind;
    shot->live = 1;
    ++demo.shotsFired;
    return;
  }
}

static s16 clamp(s16 v, s16 low, s16 high) { return v < low ? low : v > high ? high : v; }

/* A shot whose centre lies within a ball's current square hits it. */
static u8 hitsBall(const Shot *shot) {
  const s16 x = (s16)(shot->x + SHOT_SIZE / 2), y = (s16)(shot->y + SHOT_SIZE / 2);
  for (u16 i = 0; i < BALL_COUNT; ++i) {
    Ball *ball = &demo.balls[i];
    const s16 half = (s16)(ball->size / 2);
    if (x >= ball->centreX - half && x < ball->centreX + half && y >= ball->centreY - half &&
        y < ball->centreY + half) {
      ball->flash = 6;
      return 1;
    }
  }
  return 0;
}

static void moveShots(void) {
  for (u16 i = 0; i < MAX_SHOTS; ++i) {
    Shot *shot = &demo.shots[i];
    if (!shot->live)
      continue;
    shot->x += shot->dx;
    shot->y += shot->dy;
    if (shot->y < SHOT_TOP || shot->x < 0 || shot->x > 248) {
      shot->live = 0;
    } else if (hitsBall(shot)) {
      shot->live = 0;
      demo.score += HIT_SCORE;
      playSound(SOUND_HIT);
    }
  }
}

void updatePlayer(void) {
  const u8 held = demo.playerHeld;
  if (held & PAD_LEFT)
    demo.shipX -= SHIP_SPEED;
  if (held & PAD_RIGHT)
    demo.shipX += SHIP_SPEED;
  if (held & PAD_UP)
    demo.shipY -= SHIP_SPEED;
  if (held & PAD_DOWN)
    demo.shipY += SHIP_SPEED;
  demo.shipX = clamp(demo.shipX, SHIP_LEFT, SHIP_RIGHT);
  demo.shipY = clamp(demo.shipY, SHIP_TOP, SHIP_BOTTOM);

  moveShots();
  /* Fire: one shot straight ahead per press. Button 2: a spread pair. With
     autofire both bits toggle every frame, so both keep firing. */
  if (demo.playerPressed & PAD_FIRE) {
    fire((s16)(demo.shipX + (SHIP_SIZE - SHOT_SIZE) / 2), (s16)(demo.shipY - SHOT_SIZE), 0, -6, 0);
    playSound(SOUND_SHOT);
  }
  if (demo.playerPressed & PAD_BUTTON2) {
    fire((s16)(demo.shipX - 2), (s16)(demo.shipY - 4), -2, -5, 1);
    fire((s16)(demo.shipX + SHIP_SIZE - 6), (s16)(demo.shipY - 4), 2, -5, 1);
    playSound(SOUND_SPREAD);
  }
}
