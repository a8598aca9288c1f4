/* The demo's start and its main loop: one step per frame, then wait in the
   board's idle loop for the frame interrupt. */
#include "demo.h"

DemoState demo;

static const s16 BALL_CENTRE_X[BALL_COUNT] = {48, 128, 208};
#define BALL_CENTRE_Y 144

void demoMain(void);
void showFault(void);

void demoMain(void) {
  demo.switchStart = IO8(SWITCH_PORT);
  buildSineTable();
  clearSprites();
  buildGraphics();
  setupPalette();
  setupLayers();
  demo.shipX = 120;
  demo.shipY = 184;
  for (u16 i = 0; i < BALL_COUNT; ++i) {
    demo.balls[i].centreX = BALL_CENTRE_X[i];
    demo.balls[i].centreY = BALL_CENTRE_Y;
    demo.balls[i].phase = (u8)(i * 85);
  }
  playSound(SOUND_START);
  for (;;) {
    readInputs();
    updatePlayer();
    updateSprites();
    updateLayers();
    animatePalette();
    ++demo.frame;
    waitFrame();
  }
}

/* Called by the fault vector: a red backdrop and a message on an unscrolled line. */
void showFault(void) {
  setColour(0, RGB(20, 0, 0));
  putText(LAYER0_CODES, 1, HUD_FIRST_ROW + 2, "CPU FAULT                      ", BANK_TEXT_LIT,
          CELL_PRIORITY + PANEL_TEXT);
}
