#include "host/on_screen.h"
#include "host/steady_clock.h"

#include <cstdio>
#include <cstring>

#include "driver/frame_loop.h"
#include "host/controls.h"
#include "host/key_map.h"
#include "platform/platform.h"

OnScreen onScreen;

static const char PAUSED_TEXT[] = "Paused";

void showMessage(const char* text) {
  onScreen.message = text;
  onScreen.messageUntil = steadySeconds() + MESSAGE_SECONDS;
  refreshOverlay();
}

void showHeld(const char* text) {
  onScreen.held = text;
  refreshOverlay();
}

void toggleControls() {
  onScreen.controlsShown = !onScreen.controlsShown;
  char text[PANEL_TEXT_SIZE] = "";
  if (onScreen.controlsShown)
    describeControls(text, sizeof text);
  platformShowPanel(text);
}

void refreshOverlay() {
  if (onScreen.message && steadySeconds() >= onScreen.messageUntil)
    onScreen.message = nullptr;
  // The pause stays named while a message shows over it.
  char text[sizeof onScreen.shown];
  if (onScreen.held)
    snprintf(text, sizeof text, "%s", onScreen.held);
  else if (hostControls.paused && onScreen.message)
    snprintf(text, sizeof text, "%s: %s", PAUSED_TEXT, onScreen.message);
  else if (hostControls.paused)
    snprintf(text, sizeof text, "%s", PAUSED_TEXT);
  else if (onScreen.message)
    snprintf(text, sizeof text, "%s", onScreen.message);
  else if (hostControls.rewinding)
    snprintf(text, sizeof text, "Rewind");
  else if (hostControls.fastForward)
    snprintf(text, sizeof text, "Fast forward");
  else
    text[0] = 0;
  if (strcmp(text, onScreen.shown) == 0)
    return;
  memcpy(onScreen.shown, text, sizeof text);
  platformShowOverlay(onScreen.shown);
}
