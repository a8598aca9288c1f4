// The window and its message queue: SDL events become the core's window messages.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <unistd.h>

#include "platform/sdl2/sdl2_platform.h"
#include "platform/sdl2/sdl2_views.h"
#include "platform/shared/present_pacer.h"
#include "platform/shared/queued_window.h"

SdlPlatform sdlPlatform;

bool ensureSdl(uint32_t subsystems) {
  if (SDL_WasInit(subsystems) == subsystems)
    return true;
  if (SDL_WasInit(0) == 0) {
    // Hints only count before the first subsystem starts.
    // Ctrl+C in the console must end the program even when the game never reaches a pump.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Alt+F4 is turned into a close request here, the same way on every system.
    SDL_SetHint(SDL_HINT_WINDOWS_NO_CLOSE_ON_ALT_F4, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetMainReady();
    atexit(SDL_Quit);
  }
  return SDL_InitSubSystem(subsystems) == 0;
}

bool reportNoPicture(const char* why) {
  fprintf(stderr, "quillomark: no picture can be shown: %s\n", why ? why : SDL_GetError());
  return false;
}

// Activation is reported only when it changes, as the system reports it between applications.
static void queueActivation(bool active) {
  if (sdlPlatform.active == active)
    return;
  sdlPlatform.active = active;
  queueWindowMessage(MSG_ACTIVATEAPP, active ? 1 : 0, 0);
}

static void translateKey(const SDL_KeyboardEvent& key, bool down) {
  if (down && key.keysym.scancode == SDL_SCANCODE_F4 && (key.keysym.mod & KMOD_ALT)) {
    queueWindowMessage(MSG_CLOSE, 0, 0); // the system's close shortcut
    return;
  }
  const uint32_t keyCode = keyCodeForScancode(key.keysym.scancode);
  sdlPlatform.gameKeys[key.keysym.scancode] = down;
  if (keyCode != 0)
    queueKeyMessage(keyCode, down, key.repeat);
}

// Key-message lParam: repeat count 1, bit 30 the previous state, bit 31 set for a release.
static intptr_t keyLParam(bool down, bool repeat) {
  const bool wasDown = !down || repeat;
  return intptr_t(1) | (wasDown ? KEY_WAS_DOWN : 0) | (down ? 0 : intptr_t(1) << 31);
}

void queueKeyMessage(uint32_t keyCode, bool down, bool repeat) {
  queueWindowMessage(down ? MSG_KEYDOWN : MSG_KEYUP, keyCode, keyLParam(down, repeat));
}

void queuePadKeyMessage(uint32_t keyCode, bool down) {
  queueWindowMessage(down ? MSG_KEYDOWN : MSG_KEYUP, keyCode, keyLParam(down, false) | KEY_FROM_GAMEPAD);
}

static void translateWindowEvent(const SDL_WindowEvent& window) {
  switch (window.event) {
  case SDL_WINDOWEVENT_FOCUS_GAINED:
    queueActivation(true);
    break;
  case SDL_WINDOWEVENT_FOCUS_LOST:
    // The focus moving between the game's window and the views keeps the program active.
    queueActivation(SDL_GetKeyboardFocus() != nullptr);
    break;
  case SDL_WINDOWEVENT_CLOSE:
    queueWindowMessage(MSG_CLOSE, 0, 0);
    break;
  case SDL_WINDOWEVENT_EXPOSED:
  case SDL_WINDOWEVENT_SIZE_CHANGED:
    // The emulation may be held (inactive, or no frame yet): show the last picture again.
    if (sdlPlatform.width)
      presentPicture(sdlPlatform.textShown);
    break;
  default:
    break;
  }
}

void translateEvent(const SDL_Event& event) {
  if (translateViewsEvent(event))
    return;
  switch (event.type) {
  case SDL_KEYDOWN:
  case SDL_KEYUP:
    translateKey(event.key, event.type == SDL_KEYDOWN);
    break;
  case SDL_WINDOWEVENT:
    translateWindowEvent(event.window);
    break;
  case SDL_QUIT:
    queueWindowMessage(MSG_CLOSE, 0, 0);
    break;
  case SDL_SYSWMEVENT:
    if (isLostWindowEvent(event))
      endForLostDisplay();
    break;
  case SDL_RENDER_DEVICE_RESET:
    // Every texture is gone with the device.
    sdlPlatform.texture = nullptr;
    if (sdlPlatform.width)
      recreateTexture();
    break;
  default:
    translateGamepadEvent(event);
    break;
  }
}

static void pollEvents() {
  if (!SDL_WasInit(SDL_INIT_EVENTS))
    return;
  SDL_Event event;
  while (SDL_PollEvent(&event))
    translateEvent(event);
}

void sdlReset() {
  SdlPlatform& sp = sdlPlatform;
  closeViews();
  if (sp.joystick)
    SDL_JoystickClose(sp.joystick);
  closeGamepads();
  if (sp.texture)
    SDL_DestroyTexture(sp.texture);
  if (sp.renderer)
    SDL_DestroyRenderer(sp.renderer);
  if (sp.window)
    SDL_DestroyWindow(sp.window);
  if (SDL_WasInit(SDL_INIT_EVENTS)) {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  resetQueuedWindow();
  sp.window = nullptr;
  sp.windowed = sp.active = false;
  std::fill(std::begin(sp.gameKeys), std::end(sp.gameKeys), false);
  sp.renderer = nullptr;
  sp.texture = nullptr;
  sp.width = sp.height = 0;
  sp.shown = PlatformRect{};
  sp.windowPlace = SDL_Rect{};
  sp.repeatPresents = false;
  sp.paletteCreated = false;
  sp.textLength = 0;
  sp.textFresh = sp.textShown = false;
  presentPacer = PresentPacer{};
  sp.overlay[0] = 0;
  sp.panel[0] = 0;
  sp.padKeys = GAMEPAD_DEFAULT_KEYS;
  sp.windowScale = 0;
  sp.joystick = nullptr;
  sp.joystickId = 0;
}

// SDL falls back on drivers that show nothing (offscreen, dummy) when no display server
// answers; the program takes those only when they are asked for by name.
static bool videoDriverShowsPicture() {
  const char* asked = getenv("SDL_VIDEODRIVER");
  if (asked && *asked)
    return true;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && strcmp(driver, "offscreen") != 0 && strcmp(driver, "dummy") != 0;
}

PlatformWindow platformCreateWindow(WindowProcedure procedure, const char*, const char* title, int width,
                                    int height) {
  SdlPlatform& sp = sdlPlatform;
  queuedWindow.procedure = procedure;
  // The display set-up that follows fails with its own message; this says why.
  if (!ensureSdl(SDL_INIT_VIDEO)) {
    reportNoPicture(nullptr);
    return nullptr;
  }
  if (!videoDriverShowsPicture()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    reportNoPicture("no X or Wayland display answered (DISPLAY, WAYLAND_DISPLAY)");
    return nullptr;
  }
  // Hidden until the core takes the full screen or a window: made at the desktop's size for the
  // full screen (a window keeps its first size where no window manager honours the request).
  SDL_Rect desktop = {0, 0, width, height};
  SDL_GetDisplayBounds(0, &desktop);
  sp.window = SDL_CreateWindow(title, desktop.x, desktop.y, desktop.w, desktop.h,
                               SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN);
  if (!sp.window) {
    reportNoPicture(nullptr);
    return nullptr;
  }
  queuedWindow.window = sp.window;
  watchDisplayConnection();
  // A new window's application starts active, even where no window manager hands out focus.
  sp.active = true;
  if (procedure)
    procedure(sp.window, MSG_ACTIVATEAPP, 1, 0);
  return sp.window;
}

bool platformPeekMessage() {
  pollEvents();
  return !queuedWindow.queue.empty();
}

int platformWaitMessage(PlatformMessage* message, uint32_t timeoutMs) {
  if (queuedWindow.queue.empty()) {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) {
      // Nothing can ever arrive: answer as for a quit message instead of waiting for ever.
      *message = PlatformMessage{sdlPlatform.window, MSG_QUIT, 0, 0};
      return PLATFORM_QUIT;
    }
    // Events that make no message (mouse motion, exposure) do not end the wait.
    const uint32_t start = SDL_GetTicks();
    SDL_Event event;
    while (queuedWindow.queue.empty()) {
      refreshViewsWhileHeld(); // no pass runs while the program waits here
      const uint32_t waited = SDL_GetTicks() - start;
      if (timeoutMs != PLATFORM_WAIT_FOREVER && waited >= timeoutMs)
        break;
      const int timeout = timeoutMs == PLATFORM_WAIT_FOREVER ? -1 : int(timeoutMs - waited);
      if (SDL_WaitEventTimeout(&event, timeout))
        translateEvent(event);
    }
  }
  return takeQueuedMessage(message);
}

bool platformTakeUrgentMessage(PlatformMessage* message) {
  pollEvents();
  return takeUrgentQueuedMessage(message);
}

void platformTranslateMessage(const PlatformMessage*) {}

intptr_t platformDispatchMessage(const PlatformMessage* message) { return dispatchQueuedMessage(message); }

intptr_t platformDefaultWindowProc(PlatformWindow window, uint32_t message, uintptr_t, intptr_t) {
  return defaultQueuedWindowProc(window, message);
}

void platformPassStarting(uint32_t) {}

void platformSetEndRoutine(EndRoutine routine) { sdlPlatform.endRoutine = routine; }

void endForLostDisplay() {
  if (sdlPlatform.endRoutine)
    sdlPlatform.endRoutine(true);
}

bool platformHasTerminal() { return isatty(STDOUT_FILENO) || isatty(STDERR_FILENO); }

void platformShowFailure(const char* title, const char* text) {
  // Over the program's window when there is one; SDL needs no start-up for this.
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, sdlPlatform.window);
}

void platformShutdown(bool displayLost) {
  // A dead display connection is left alone: any call on it would never return.
  if (!displayLost)
    sdlReset();
}
