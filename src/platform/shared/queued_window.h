// The one window of a backend whose messages come from the backend itself (headless script, SDL
// events) rather than from the system: a queue taken from the front, dispatch to the window
// procedure, and the default processing in which a close request destroys the window.
#pragma once
#include <cstdint>
#include <deque>

#include "platform/platform.h"

struct QueuedWindow {
  WindowProcedure procedure;         // the program's window procedure (null: none yet)
  PlatformWindow window;             // the handle messages carry
  std::deque<PlatformMessage> queue; // messages not yet taken, oldest first
  uint32_t resetKey = VKEY_F1;       // the key-down taken even while the board's program hangs
};

extern QueuedWindow queuedWindow;

// Forgets the procedure and every waiting message.
void resetQueuedWindow();
// Appends a message for the window.
void queueWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
// Puts a message in front of every waiting one.
void queueWindowMessageFirst(uint32_t message, uintptr_t wParam, intptr_t lParam);
// Takes the oldest message; PLATFORM_QUIT for a quit message, PLATFORM_TIMEOUT when the queue is empty.
int takeQueuedMessage(PlatformMessage* message);
// Takes the oldest close, quit or F1 key-down, leaving the rest in order; false when there is none.
bool takeUrgentQueuedMessage(PlatformMessage* message);
// Hands a message to the window procedure.
intptr_t dispatchQueuedMessage(const PlatformMessage* message);
// Default processing: a close request destroys the window; everything else is ignored.
intptr_t defaultQueuedWindowProc(PlatformWindow window, uint32_t message);
