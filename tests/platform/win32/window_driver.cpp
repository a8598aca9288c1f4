// Drives the Windows program from inside Wine's desktop: starts it with its
// console output in a file, follows a script of waits and posted window
// messages, and writes what happened to a result file, one fact per line.
//
//   quillomark-window-driver SCRIPT RESULT CONSOLE PROGRAM [ARGUMENTS...]
//
// Script lines (numbers decimal or 0x hexadecimal; # starts a comment):
//   window MS        wait for the "Vortane" window; "window STYLE LEFT TOP RIGHT BOTTOM class CLASS-STYLE"
//   client           "client STYLE LEFT TOP RIGHT BOTTOM": the window's style and client area on the screen
//   down K / up K    post WM_KEYDOWN / WM_KEYUP with virtual-key code K
//   sysdown K / sysup K   the same as WM_SYSKEYDOWN / WM_SYSKEYUP (Alt held)
//   sleep MS         wait
//   file PATH MS     wait until PATH exists
//   deactivate       make a window of the driver's the foreground window; "foreground driver"
//   mark TEXT        write "mark TEXT" (the test script watches for it)
//   close            post WM_CLOSE
//   session query|end    send WM_QUERYENDSESSION, or WM_ENDSESSION (the session ends), as a logoff
//                    does; "session query|end ANSWER". After WM_ENDSESSION the system may end the
//                    process at any time: it is ended if it still runs 2 s later.
//   clock            write "clock MS", milliseconds on the performance counter
//   exit MS          wait for the program's end; "exit CODE", or end it and "timeout"
// A step that fails writes "failed LINE" and ends the script; the program is
// then ended if it still runs. Exit status: 0 when every step passed.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

struct Driver {
  PROCESS_INFORMATION child;
  HWND window;
  HWND ownWindow; // the driver's window, made foreground to deactivate the program
  FILE* result;
  bool ended;
};

static Driver driver;

static bool childRunning() { return !driver.ended && WaitForSingleObject(driver.child.hProcess, 0) == WAIT_TIMEOUT; }

static bool waitFor(bool (*ready)(const char*), const char* argument, DWORD milliseconds) {
  for (DWORD waited = 0;; waited += 20) {
    if (ready(argument))
      return true;
    if (waited >= milliseconds || !childRunning())
      return false;
    Sleep(20);
  }
}

static bool windowReady(const char*) {
  driver.window = FindWindowA("Vortane", "Gfx Output");
  return driver.window != nullptr;
}

static bool fileReady(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// lParam of a key message: repeat count 1, scan code, Alt context, transition bits.
static LPARAM keyParameter(UINT key, bool release, bool alt) {
  LPARAM value = 1 | LPARAM(MapVirtualKeyA(key, MAPVK_VK_TO_VSC) & 0xFF) << 16;
  if (alt)
    value |= LPARAM(1) << 29;
  if (release)
    value |= LPARAM(3) << 30;
  return value;
}

static bool postKey(UINT message, UINT key) {
  const bool release = message == WM_KEYUP || message == WM_SYSKEYUP;
  const bool alt = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
  return driver.window && PostMessageA(driver.window, message, key, keyParameter(key, release, alt));
}

static bool waitExit(DWORD milliseconds) {
  if (WaitForSingleObject(driver.child.hProcess, milliseconds) != WAIT_OBJECT_0) {
    fprintf(driver.result, "timeout\n");
    return false;
  }
  DWORD code = 0;
  GetExitCodeProcess(driver.child.hProcess, &code);
  fprintf(driver.result, "exit %lu\n", (unsigned long)code);
  driver.ended = true;
  return true;
}

static bool runStep(char* line) {
  char verb[16] = {}, argument[MAX_PATH] = {};
  char number[32] = {};
  const int fields = sscanf(line, "%15s %259s %31s", verb, argument, number);
  if (fields < 1)
    return true;
  const unsigned long value = strtoul(argument, nullptr, 0);
  if (!strcmp(verb, "window")) {
    if (!waitFor(windowReady, nullptr, value))
      return false;
    RECT rect = {};
    GetWindowRect(driver.window, &rect);
    // Wine gives another process the class style but not the class's brush or cursor.
    fprintf(driver.result, "window %08lx %ld %ld %ld %ld class %lx\n",
            (unsigned long)GetWindowLongA(driver.window, GWL_STYLE), rect.left, rect.top, rect.right, rect.bottom,
            (unsigned long)GetClassLongA(driver.window, GCL_STYLE));
    return true;
  }
  if (!strcmp(verb, "down"))
    return postKey(WM_KEYDOWN, UINT(value));
  if (!strcmp(verb, "up"))
    return postKey(WM_KEYUP, UINT(value));
  if (!strcmp(verb, "sysdown"))
    return postKey(WM_SYSKEYDOWN, UINT(value));
  if (!strcmp(verb, "sysup"))
    return postKey(WM_SYSKEYUP, UINT(value));
  if (!strcmp(verb, "sleep")) {
    Sleep(DWORD(value));
    return true;
  }
  if (!strcmp(verb, "file"))
    return waitFor(fileReady, argument, DWORD(strtoul(number, nullptr, 0)));
  if (!strcmp(verb, "mark")) {
    fprintf(driver.result, "mark %s\n", argument);
    return true;
  }
  if (!strcmp(verb, "deactivate")) {
    if (!driver.ownWindow)
      driver.ownWindow = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "driver", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64,
                                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    const bool ok = driver.ownWindow && SetForegroundWindow(driver.ownWindow);
    fprintf(driver.result, "foreground %s\n", GetForegroundWindow() == driver.ownWindow ? "driver" : "other");
    return ok;
  }
  if (!strcmp(verb, "close"))
    return driver.window && PostMessageA(driver.window, WM_CLOSE, 0, 0);
  if (!strcmp(verb, "client")) {
    RECT client = {};
    POINT origin = {0, 0};
    if (!driver.window || !GetClientRect(driver.window, &client) || !ClientToScreen(driver.window, &origin))
      return false;
    fprintf(driver.result, "client %08lx %ld %ld %ld %ld\n", (unsigned long)GetWindowLongA(driver.window, GWL_STYLE),
            origin.x, origin.y, origin.x + client.right, origin.y + client.bottom);
    return true;
  }
  if (!strcmp(verb, "session")) {
    // The program may end inside its answer to the session's end; the system may end it after that.
    const bool query = !strcmp(argument, "query");
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(driver.window, query ? WM_QUERYENDSESSION : WM_ENDSESSION, !query, ENDSESSION_LOGOFF,
                        SMTO_NORMAL, 10000, &answer);
    fprintf(driver.result, "session %s %lu\n", argument, (unsigned long)answer);
    if (!query && WaitForSingleObject(driver.child.hProcess, 2000) == WAIT_TIMEOUT)
      TerminateProcess(driver.child.hProcess, 99);
    return driver.window != nullptr;
  }
  if (!strcmp(verb, "clock")) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    fprintf(driver.result, "clock %lld\n", (long long)(now.QuadPart * 1000 / frequency.QuadPart));
    return true;
  }
  if (!strcmp(verb, "exit"))
    return waitExit(DWORD(value));
  return false;
}

static std::string commandLine(int argc, char** argv, int first) {
  std::string line;
  for (int i = first; i < argc; ++i) {
    if (i > first)
      line += ' ';
    line += '"';
    line += argv[i];
    line += '"';
  }
  return line;
}

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: %s SCRIPT RESULT CONSOLE PROGRAM [ARGUMENTS...]\n", argv[0]);
    return 2;
  }
  FILE* script = fopen(argv[1], "r");
  driver.result = fopen(argv[2], "wb"); // plain LF lines for the shell
  if (!script || !driver.result)
    return 2;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE console = CreateFileA(argv[3], GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = console;
  startup.hStdError = console;
  std::string command = commandLine(argc, argv, 4);
  if (console == INVALID_HANDLE_VALUE ||
      !CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &driver.child)) {
    fprintf(driver.result, "not started\n");
    return 1;
  }
  CloseHandle(console);
  fprintf(driver.result, "started\n");

  char line[512];
  int lineNumber = 0, status = 0;
  while (fgets(line, sizeof line, script)) {
    ++lineNumber;
    if (char* comment = strchr(line, '#'))
      *comment = 0;
    if (!runStep(line)) {
      fprintf(driver.result, "failed %d\n", lineNumber);
      status = 1;
      break;
    }
    fflush(driver.result);
  }
  if (childRunning()) {
    TerminateProcess(driver.child.hProcess, 99);
    WaitForSingleObject(driver.child.hProcess, 5000);
    fprintf(driver.result, "ended by driver\n");
  }
  fclose(driver.result);
  return status;
}
