#include "platform/win32/win32_platform.h"

Win32Platform win32Platform;

// The class's real window procedure (__stdcall): forwards every message to the
// emulator's procedure, which calls back for default processing itself.
static LRESULT CALLBACK forwardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!win32Platform.procedure)
    return DefWindowProcA(window, message, wParam, lParam);
  return win32Platform.procedure(window, message, wParam, lParam);
}

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
  return wp.window;
}

bool platformPeekMessage() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

int platformWaitMessage(PlatformMessage* message, uint32_t timeoutMs) {
  MSG msg = {};
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    const DWORD timeout = timeoutMs == PLATFORM_WAIT_FOREVER ? INFINITE : DWORD(timeoutMs);
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout, QS_ALLINPUT) == WAIT_TIMEOUT)
      return PLATFORM_TIMEOUT;
    // Input arrived; sent messages are handled by PeekMessage itself and leave nothing to take.
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
      return PLATFORM_TIMEOUT;
  }
  const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
  win32Platform.messageTime = msg.time;
  win32Platform.messagePoint = msg.pt;
  *message = PlatformMessage{msg.hwnd, msg.message, msg.wParam, msg.lParam};
  return result ? PLATFORM_MESSAGE : PLATFORM_QUIT;
}

bool platformTakeUrgentMessage(PlatformMessage*) { return false; }

void platformShutdown(bool) {}

bool platformReplaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool platformCreateFolder(const char* path) {
  if (CreateDirectoryA(path, nullptr))
    return true;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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

void platformDrawText(PlatformWindow window, const char* text, int length) {
  HDC dc = GetDC(HWND(window));
  TextOutA(dc, 0, 0, text, length);
  ReleaseDC(HWND(window), dc);
}
