#include "platform/shared/present_pacer.h"
#include "platform/win32/win32_platform.h"

#include <cstdio>
#include <cstring>

#include <algorithm>

#include "host/run_end.h"

Win32Platform win32Platform;

// Paints what the window shows: the picture in a window; full screen the picture is DirectDraw's
// and the paint is only marked done (otherwise paints never stop coming).
static void answerPaint(HWND window) {
  if (!win32Platform.windowed) {
    ValidateRect(window, nullptr);
    return;
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  paintWindow(dc);
  EndPaint(window, &paint);
}

// The session ends (logoff, shutdown): asked first, the end is requested and the program's loop
// carries it out. Once the system says it ends, the process may be ended on return, so a run
// still going ends in order here.
static LRESULT answerSessionEnd(UINT message, WPARAM ending) {
  requestEnd();
  Win32Platform& wp = win32Platform;
  if (message == WM_ENDSESSION && ending && wp.endRoutine && wp.procedure)
    wp.endRoutine(false);
  return message == WM_QUERYENDSESSION ? TRUE : 0;
}

// The class's real window procedure (__stdcall): forwards every message to the
// emulator's procedure, which calls back for default processing itself.
static LRESULT CALLBACK forwardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY && window == win32Platform.window)
    win32Platform.window = nullptr; // going: the end must not destroy it again
  // Deactivation is a sent message: handled inside the pump's peek, it leaves nothing queued,
  // and the pass would go on to draw on the lost surfaces. A queued no-op makes the pump see it
  // and hold the emulation until the window is active again.
  if (message == WM_ACTIVATEAPP && !wParam)
    PostMessageA(window, WM_NULL, 0, 0);
  switch (message) {
  case WM_PAINT:
    if (win32Platform.windowed) {
      answerPaint(window);
      return 0;
    }
    break;
  case WM_ERASEBKGND:
    if (win32Platform.windowed)
      return 1; // the paint covers the whole client area
    break;
  case WM_SYSCOMMAND:
    // Alt (button 2) or F10 alone would open the window menu and take the keys that follow.
    if ((wParam & 0xFFF0) == SC_KEYMENU)
      return 0;
    break;
  case WM_QUERYENDSESSION:
  case WM_ENDSESSION:
    return answerSessionEnd(message, wParam);
  default:
    break;
  }
  if (!win32Platform.procedure)
    return DefWindowProcA(window, message, wParam, lParam);
  return win32Platform.procedure(window, message, wParam, lParam);
}

// A console event (Ctrl+C, Ctrl+Break, the console window closed, logoff, shutdown) asks for the
// orderly end, which the main thread carries out within END_CHECK_MS. The handler runs on a thread
// of its own and does not return: after a close, logoff or shutdown event the system ends the
// process as soon as it returns, which could be before dump.bin is written; the program's exit
// ends this thread instead. Should the main thread not get there, the bounded wait hands the
// event on to the system's default handling.
static BOOL WINAPI answerConsoleEvent(DWORD event) {
  switch (event) {
  case CTRL_C_EVENT:
  case CTRL_BREAK_EVENT:
  case CTRL_CLOSE_EVENT:
  case CTRL_LOGOFF_EVENT:
  case CTRL_SHUTDOWN_EVENT:
    requestEnd();
    Sleep(CONSOLE_END_WAIT_MS);
    return FALSE;
  default:
    return FALSE;
  }
}

// DirectDraw reports a lost display through its results (surfaces lost and restored); the
// connection itself never goes away. The routine ends the run when the session ends.
void platformSetEndRoutine(EndRoutine routine) { win32Platform.endRoutine = routine; }

static MSG systemMessage(const PlatformMessage* message) {
  MSG msg = {};
  msg.hwnd = HWND(message->window);
  msg.message = message->message;
  msg.wParam = message->wParam;
  msg.lParam = message->lParam;
  msg.time = win32Platform.messageTime;
  msg.pt = win32Platform.messagePoint;
  return msg;
}

PlatformWindow platformCreateWindow(WindowProcedure procedure, const char* className, const char* title,
                                    int width, int height) {
  Win32Platform& wp = win32Platform;
  // Started from an icon, the program got a console window of its own that nobody reads: it goes
  // before the game's window comes. A command prompt's console stays, with the output and exit code,
  // and so does a console with no window (a terminal's, under Wine), which still brings Ctrl+C.
  if (!platformHasTerminal() && GetConsoleWindow())
    FreeConsole();
  // Set before the class exists: creation already sends messages to it.
  wp.procedure = procedure;
  wp.instance = GetModuleHandleA(nullptr);
  WNDCLASSA& wc = wp.windowClass;
  wc = WNDCLASSA{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = forwardWindowProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = wp.instance;
  wc.hIcon = nullptr;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = HBRUSH(GetStockObject(BLACK_BRUSH));
  wc.lpszMenuName = className;
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  wp.window = CreateWindowExA(0, className, title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                              wp.instance, nullptr);
  ShowWindow(wp.window, SW_SHOWNORMAL);
  UpdateWindow(wp.window);
  // From here on every way of ending runs the orderly end.
  SetConsoleCtrlHandler(answerConsoleEvent, TRUE);
  return wp.window;
}

// Gives a message taken from the system's queue to the core; QUIT for WM_QUIT.
static int takeMessage(const MSG& msg, PlatformMessage* message) {
  win32Platform.messageTime = msg.time;
  win32Platform.messagePoint = msg.pt;
  *message = PlatformMessage{msg.hwnd, msg.message, msg.wParam, msg.lParam};
  return msg.message == WM_QUIT ? PLATFORM_QUIT : PLATFORM_MESSAGE;
}

bool platformPeekMessage() {
  MSG msg;
  return !win32Platform.heldMessages.empty() || PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

int platformWaitMessage(PlatformMessage* message, uint32_t timeoutMs) {
  std::deque<MSG>& held = win32Platform.heldMessages;
  if (!held.empty()) {
    const MSG msg = held.front();
    held.pop_front();
    return takeMessage(msg, message);
  }
  MSG msg = {};
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    const DWORD timeout = timeoutMs == PLATFORM_WAIT_FOREVER ? INFINITE : DWORD(timeoutMs);
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout, QS_ALLINPUT) == WAIT_TIMEOUT)
      return PLATFORM_TIMEOUT;
    // Input arrived; sent messages are handled by PeekMessage itself and leave nothing to take.
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
      return PLATFORM_TIMEOUT;
  }
  GetMessageA(&msg, nullptr, 0, 0);
  return takeMessage(msg, message);
}

// The messages a person uses to rescue a hung program. Alt+F4 is a system key-down of F4 with
// the Alt context bit; its default processing would close the window.
static bool isCloseShortcut(const MSG& msg) {
  return msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (msg.lParam & (LPARAM(KF_ALTDOWN) << 16));
}
static bool isUrgent(const MSG& msg) {
  return msg.message == WM_CLOSE || msg.message == WM_QUIT || isCloseShortcut(msg) ||
         (msg.message == WM_KEYDOWN && win32Platform.resetKey && msg.wParam == win32Platform.resetKey);
}

void platformSetResetKey(uint32_t keyCode) { win32Platform.resetKey = keyCode; }

bool platformTakeUrgentMessage(PlatformMessage* message) {
  std::deque<MSG>& held = win32Platform.heldMessages;
  auto found = std::find_if(held.begin(), held.end(), isUrgent);
  MSG msg = {};
  if (found != held.end()) {
    msg = *found;
    held.erase(found);
  } else {
    // Everything else taken from the system's queue is held, undelivered: dispatching it now,
    // in the middle of a frame, would change the input bytes the frame sees.
    for (;;) {
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
      if (isUrgent(msg))
        break;
      if (msg.message == WM_PAINT)
        answerPaint(msg.hwnd); // a held message, paints would never stop coming
      else
        held.push_back(msg);
    }
  }
  if (isCloseShortcut(msg)) {
    msg.message = WM_CLOSE;
    msg.wParam = 0;
    msg.lParam = 0;
  }
  takeMessage(msg, message);
  return true;
}

void platformShutdown(bool displayLost) {
  // A Windows program has no display connection to lose; the flag is the other backends'.
  if (displayLost)
    return;
  Win32Platform& wp = win32Platform;
  releaseDisplay();
  // Later messages, the destruction's own included, get default processing only.
  wp.procedure = nullptr;
  if (HWND window = wp.window) {
    wp.window = nullptr;
    DestroyWindow(window);
  }
}

void platformTranslateMessage(const PlatformMessage* message) {
  const MSG msg = systemMessage(message);
  TranslateMessage(&msg);
}

intptr_t platformDispatchMessage(const PlatformMessage* message) {
  const MSG msg = systemMessage(message);
  return DispatchMessageA(&msg);
}

intptr_t platformDefaultWindowProc(PlatformWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcA(HWND(window), message, wParam, lParam);
}

// The system's queue needs no preparation before a pass.
void platformPassStarting(uint32_t) {}

const char* platformToggleViews() { return NO_VIEWS_TEXT; }

void drawOverlayOn(HDC dc) {
  Win32Platform& wp = win32Platform;
  if (!wp.overlay[0] && !wp.panel[0])
    return;
  // Light on a black ground, so the text reads over any picture.
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(0, 0, 0));
  SetTextColor(dc, RGB(255, 255, 255));
  const RECT picture = shownPictureRect();
  if (wp.panel[0]) {
    // The panel's columns line up in a font whose letters are all as wide.
    const HGDIOBJ font = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    RECT box = picture;
    DrawTextA(dc, wp.panel, -1, &box, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, font);
  }
  if (wp.overlay[0]) {
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    TextOutA(dc, picture.left, picture.bottom - metrics.tmHeight, wp.overlay, int(strlen(wp.overlay)));
  }
}

void drawOverlayLine() {
  Win32Platform& wp = win32Platform;
  if ((!wp.overlay[0] && !wp.panel[0]) || !wp.window)
    return;
  HDC dc = GetDC(wp.window);
  drawOverlayOn(dc);
  ReleaseDC(wp.window, dc);
}

void platformShowOverlay(const char* text) {
  // Drawn over the presented picture at once and after each present, as the inspector text is.
  snprintf(win32Platform.overlay, sizeof win32Platform.overlay, "%s", text);
  drawOverlayLine();
}

void platformShowPanel(const char* text) {
  Win32Platform& wp = win32Platform;
  const bool hidden = wp.panel[0] && !text[0];
  snprintf(wp.panel, sizeof wp.panel, "%s", text);
  if (hidden && wp.window)
    InvalidateRect(wp.window, nullptr, FALSE); // the picture under it comes back with the next paint or present
  drawOverlayLine();
}

void platformSetWindowScale(int scale) { win32Platform.windowScale = scale; }

// The Windows program reads a joystick's buttons itself; it has no game-controller mappings.
void platformBindGamepadButton(GamepadButton, uint32_t) {}

void platformSetPresentWait(bool wait) { presentPacer.unpaced = !wait; }

void platformDrawText(PlatformWindow window, const char* text, int length) {
  HDC dc = GetDC(HWND(window));
  const RECT picture = shownPictureRect();
  TextOutA(dc, picture.left, picture.top, text, length);
  ReleaseDC(HWND(window), dc);
}

bool platformHasTerminal() {
  // A console program started from an icon gets a console of its own, which goes when it ends.
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) > 1;
}

void platformShowFailure(const char* title, const char* text) {
  MessageBoxA(nullptr, text, title, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
