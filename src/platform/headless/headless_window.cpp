#include <algorithm>

#include "platform/headless/headless.h"

HeadlessPlatform headlessPlatform;

// The backend's record stands for its one window.
static PlatformWindow const HEADLESS_WINDOW = &headlessPlatform;

void headlessReset() {
  HeadlessPlatform& hp = headlessPlatform;
  if (hp.digestFile)
    fclose(hp.digestFile);
  hp.procedure = nullptr;
  hp.script.clear();
  hp.queue.clear();
  hp.currentPass = 0;
  hp.frameLimit = 0;
  hp.width = hp.height = 0;
  hp.presentCount = 0;
  hp.restoreCount = 0;
  hp.digestFile = nullptr;
  hp.text[0] = 0;
  std::fill(std::begin(hp.failures), std::end(hp.failures), HeadlessFailure{});
  hp.joystickCount = 0;
  hp.joystickAnswers = false;
  hp.joystickPosition = {};
  hp.joystickLimits = {};
}

void headlessScript(uint32_t pass, uint32_t message, uintptr_t wParam) {
  headlessPlatform.script.push_back(ScriptedMessage{pass, message, wParam});
}

PlatformWindow platformCreateWindow(WindowProcedure procedure, const char*, const char*, int, int) {
  headlessPlatform.procedure = procedure;
  // As on a desktop, the new window's application becomes active.
  procedure(HEADLESS_WINDOW, MSG_ACTIVATEAPP, 1, 0);
  return HEADLESS_WINDOW;
}

void platformPassStarting(uint32_t passNumber) {
  HeadlessPlatform& hp = headlessPlatform;
  hp.currentPass = passNumber;
  if (hp.frameLimit && passNumber > hp.frameLimit) {
    // The last wanted pass has presented: close the window as a person would.
    hp.queue.insert(hp.queue.begin(), PlatformMessage{HEADLESS_WINDOW, MSG_CLOSE, 0, 0});
  }
  for (const ScriptedMessage& m : hp.script)
    if (m.pass == passNumber)
      hp.queue.push_back(PlatformMessage{HEADLESS_WINDOW, m.message, m.wParam, 0});
}

bool platformPeekMessage() { return !headlessPlatform.queue.empty(); }

int platformGetMessage(PlatformMessage* message) {
  HeadlessPlatform& hp = headlessPlatform;
  if (hp.queue.empty()) {
    // Nothing will ever arrive: a real desktop would wait for ever, so the
    // headless window is destroyed instead and the run ends normally.
    if (hp.procedure)
      hp.procedure(HEADLESS_WINDOW, MSG_DESTROY, 0, 0);
    *message = PlatformMessage{HEADLESS_WINDOW, MSG_QUIT, 0, 0};
    return 0;
  }
  *message = hp.queue.front();
  hp.queue.erase(hp.queue.begin());
  return message->message == MSG_QUIT ? 0 : 1;
}

void platformTranslateMessage(const PlatformMessage*) {}

intptr_t platformDispatchMessage(const PlatformMessage* message) {
  if (!headlessPlatform.procedure)
    return 0;
  return headlessPlatform.procedure(message->window, message->message, message->wParam, message->lParam);
}

intptr_t platformDefaultWindowProc(PlatformWindow window, uint32_t message, uintptr_t, intptr_t) {
  // A close request destroys the window, as the system's default handling does.
  if (message == MSG_CLOSE && headlessPlatform.procedure)
    headlessPlatform.procedure(window, MSG_DESTROY, 0, 0);
  return 0;
}

uint32_t platformJoystickCount() { return headlessPlatform.joystickCount; }

bool platformJoystickRead(uint32_t id, JoystickPosition* position) {
  if (id >= headlessPlatform.joystickCount || !headlessPlatform.joystickAnswers)
    return false;
  *position = headlessPlatform.joystickPosition;
  return true;
}

bool platformJoystickLimits(uint32_t id, JoystickLimits* limits) {
  if (id >= headlessPlatform.joystickCount)
    return false;
  *limits = headlessPlatform.joystickLimits;
  return true;
}
