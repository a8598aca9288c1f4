// Helpers of the SDL2 backend's tests: a recording window procedure, a display
// opened on SDL's dummy video driver, synthetic SDL events.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct RecordedMessage {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

// What recordingProcedure has received since the last clearRecording.
extern std::vector<RecordedMessage> recordedMessages;

// A window procedure that records every message and leaves close requests to the default processing.
intptr_t recordingProcedure(PlatformWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Empties recordedMessages.
void clearRecording();
// Fresh backend, then the window and the whole display chain at width x height with palette entries.
void openDisplay(WindowProcedure procedure, int width, int height, const PaletteColour palette[256]);
// Takes and dispatches every message waiting, as the pump does.
void dispatchPending();
// Queues an SDL key event on SDL's event queue.
void pushKey(SDL_Scancode scancode, bool down, bool repeat = false, uint16_t modifiers = KMOD_NONE,
             SDL_Keycode symbol = SDLK_UNKNOWN);
// Queues an SDL window event of the open window.
void pushWindowEvent(SDL_WindowEventID event);
// Allocates the machine image once and clears the two input-port bytes and the host controls.
void freshInputs();
