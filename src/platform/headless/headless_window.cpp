#include <algorithm>

#include "files/file_write.h"
#include "platform/headless/headless.h"
#include "platform/shared/queued_window.h"

HeadlessPlatform headlessPlatform;

// The backend's record stands for its one window.
static PlatformWindow const HEADLESS_WINDOW = &headlessPlatform;

void headlessReset() {
  HeadlessPlatform& hp = headlessPlatform;
  if (hp.digestFile)
    fclose(hp.digestFile);
  resetQueuedWindow();
  hp.script.clear();
  hp.scriptNext = 0;
  hp.currentPass = 0;
  hp.frameLimit = 0;
  hp.width = hp.height = 0;
  hp.presentCount = 0;
  hp.windowed = hp.repeatPresents = false;
  hp.repeatCount = 0;
  hp.terminal = true;
  hp.failuresShown = 0;
  hp.failureTitle.clear();
  hp.failureText.clear();
  hp.restoreCount = 0;
  hp.digestFile = nullptr;
  hp.digestPath = nullptr;
  hp.text[0] = 0;
  hp.panel.clear();
  hp.padKeys = GAMEPAD_DEFAULT_KEYS;
  std::fill(std::begin(hp.failures), std::end(hp.failures), HeadlessFailure{});
  hp.joystickCount = 0;
  hp.joystickAnswers = false;
  hp.joystickPosition = {};
  hp.joystickLimits = {};
}

void headlessScript(uint32_t pass, uint32_t message, uintptr_t wParam) {
  // Kept in pass order, file order within a pass, so each pass takes its messages from a cursor.
  std::vector<ScriptedMessage>& script = headlessPlatform.script;
  const ScriptedMessage entry{pass, message, wParam};
  if (script.empty() || script.back().pass <= pass) {
    script.push_back(entry);
    return;
  }
  const auto after = std::upper_bound(script.begin(), script.end(), pass,
                                      [](uint32_t p, const ScriptedMessage& m) { return p < m.pass; });
  script.insert(after, entry);
}

PlatformWindow platformCreateWindow(WindowProcedure procedure, const char*, const char*, int, int) {
  queuedWindow.procedure = procedure;
  queuedWindow.window = HEADLESS_WINDOW;
  // As on a desktop, the new window's application becomes active.
  procedure(HEADLESS_WINDOW, MSG_ACTIVATEAPP, 1, 0);
  return HEADLESS_WINDOW;
}

void platformPassStarting(uint32_t passNumber) {
  HeadlessPlatform& hp = headlessPlatform;
  hp.currentPass = passNumber;
  if (hp.frameLimit && passNumber > hp.frameLimit) {
    // The last wanted pass has presented: close the window as a person would.
    queueWindowMessageFirst(MSG_CLOSE, 0, 0);
  }
  while (hp.scriptNext < hp.script.size() && hp.script[hp.scriptNext].pass < passNumber)
    ++hp.scriptNext; // passes that never ran (a state loaded past them) deliver nothing
  for (; hp.scriptNext < hp.script.size() && hp.script[hp.scriptNext].pass == passNumber; ++hp.scriptNext)
    queueWindowMessage(hp.script[hp.scriptNext].message, hp.script[hp.scriptNext].wParam, 0);
}

bool platformPeekMessage() { return !queuedWindow.queue.empty(); }

int platformWaitMessage(PlatformMessage* message, uint32_t) {
  const int result = takeQueuedMessage(message);
  if (result != PLATFORM_TIMEOUT)
    return result;
  // Nothing will ever arrive: a real desktop would wait for ever, so the
  // headless window is destroyed instead and the run ends normally.
  if (queuedWindow.procedure)
    queuedWindow.procedure(HEADLESS_WINDOW, MSG_DESTROY, 0, 0);
  *message = PlatformMessage{HEADLESS_WINDOW, MSG_QUIT, 0, 0};
  return PLATFORM_QUIT;
}

// Only signals reach a hung headless run: its script is read at pass starts.
bool platformTakeUrgentMessage(PlatformMessage*) { return false; }

void platformTranslateMessage(const PlatformMessage*) {}

intptr_t platformDispatchMessage(const PlatformMessage* message) { return dispatchQueuedMessage(message); }

intptr_t platformDefaultWindowProc(PlatformWindow window, uint32_t message, uintptr_t, intptr_t) {
  return defaultQueuedWindowProc(window, message);
}

void platformShutdown(bool) {
  HeadlessPlatform& hp = headlessPlatform;
  if (hp.digestFile && fclose(hp.digestFile) != 0)
    reportWriteFailure(FILE_DIGESTS, hp.digestPath);
  hp.digestFile = nullptr;
}

bool platformHasTerminal() { return headlessPlatform.terminal; }

// Nothing is shown: what was asked for is kept for the tests.
void platformShowFailure(const char* title, const char* text) {
  HeadlessPlatform& hp = headlessPlatform;
  ++hp.failuresShown;
  hp.failureTitle = title;
  hp.failureText = text;
}

// The in-memory display is never lost.
void platformSetEndRoutine(EndRoutine) {}

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

const char* platformToggleViews() { return NO_VIEWS_TEXT; }
