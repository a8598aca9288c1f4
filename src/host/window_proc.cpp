#include "host/window_proc.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/core.h"
#include "cpu68k/cpu_state.h"
#include "debug/gdb_stub.h"
#include "host/controls.h"
#include "host/key_map.h"
#include "host/on_screen.h"
#include "host/run_end.h"
#include "host/state_files.h"
#include "host/input_log.h"
#include "core/rewind.h"
#include "video/compose.h"
#include "video/display.h"
#include "video/screenshot.h"
#include "video/sprites.h"

constexpr char ELLIPSIS[] = "...";

// Whether a file of that name is there, a file about to be replaced: asked of the folder, never
// opened (a pipe there would wait for ever).
static bool fileThere(const char* name) {
  struct stat status;
  return stat(name, &status) == 0;
}

// F12: vortane.bmp, and where it went: "Written FOLDER/vortane.bmp", or "Replaced ..." when an
// earlier one was there. The folder is the run's, the home folder as ~, cut from the left to what the
// message line shows in full.
static void takeSnapshot() {
  const bool replacing = fileThere(SNAPSHOT_FILE);
  if (!writeSnapshotBitmap())
    return;
  std::error_code error;
  const std::string path = std::filesystem::current_path(error).string();
  const char* home = getenv("HOME");
  const size_t homeLength = home ? strlen(home) : 0;
  const bool inHome = !error && homeLength > 1 && path.compare(0, homeLength, home) == 0 &&
                      (path.size() == homeLength || path[homeLength] == '/');
  const char* folder = error ? "." : inHome ? path.c_str() + homeLength : path.c_str();
  const char* verb = replacing ? "Replaced" : "Written";
  // Room for the folder: the line less the verb, a blank, a slash, the file name and the home's ~.
  const size_t room = OVERLAY_SHOWN_CHARACTERS - strlen(verb) - strlen(SNAPSHOT_FILE) - 2 - (inHome ? 1 : 0);
  const size_t length = strlen(folder);
  const bool cut = length > room;
  static char text[2 * OVERLAY_TEXT_SIZE];
  snprintf(text, sizeof text, "%s %s%s%s/%s", verb, inHome && !cut ? "~" : "", cut ? ELLIPSIS : "",
           cut ? folder + length - (room - strlen(ELLIPSIS)) : folder, SNAPSHOT_FILE);
  showMessage(text);
}

// Control keys act on key-down only, auto-repeats included.
static bool runControlKey(uint32_t keyCode) {
  switch (keyCode) {
  case VKEY_I:
    spriteState.inspector = !spriteState.inspector;
    return true;
  case VKEY_F1:
    resetCpu();
    showMessage("Reset");
    return true;
  case VKEY_F5:
    ++spriteState.inspectedSlot;
    return true;
  case VKEY_F6:
    --spriteState.inspectedSlot;
    return true;
  case VKEY_F11:
    // The series is written once a run: after its last file, F11 says so rather than record nothing.
    if (frameSeriesComplete()) {
      showMessage(FRAME_SERIES_COMPLETE_TEXT);
      return true;
    }
    hostControls.frameShotsOn = 1;
    showMessage("Recording frames");
    return true;
  case VKEY_F12:
    takeSnapshot();
    return true;
  default:
    return false;
  }
}

// A message that names the slot when it is not slot 0 (a text that lives for the run).
static void showSlotMessage(const char* text) {
  static char named[2 * OVERLAY_TEXT_SIZE]; // the overlay cuts what it cannot show
  if (hostControls.stateSlot == 0)
    snprintf(named, sizeof named, "%s", text);
  else
    snprintf(named, sizeof named, "Slot %d: %s", int(hostControls.stateSlot), text);
  showMessage(named);
}

// F2: the state into the slot's file, saying so when it replaced one.
static void saveSlot() {
  char name[STATE_NAME_SIZE];
  stateFileName(hostControls.stateSlot, name, sizeof name);
  const bool existing = fileThere(name);
  if (!saveMachineState(name))
    showSlotMessage("State not saved");
  else
    showSlotMessage(existing ? "State saved over the old one" : "State saved");
}

// F3: the slot's state; one that is there but cannot be read says why. Loaded while paused, its
// picture shows at once.
static void loadSlot() {
  static char text[OVERLAY_TEXT_SIZE];
  char name[STATE_NAME_SIZE];
  stateFileName(hostControls.stateSlot, name, sizeof name);
  const StateLoadResult result = loadMachineState(name);
  const int error = errno;
  if (result == STATE_LOADED && hostControls.paused) {
    composeFrame();
    showPictureAgain();
  }
  if (result == STATE_MISSING && error != ENOENT) {
    // A pipe, a device or a folder is refused unread (EINVAL, EISDIR).
    const bool irregular = error == EINVAL || error == EISDIR;
    snprintf(text, sizeof text, "%s: %s", stateLoadText(result), irregular ? "not a regular file" : strerror(error));
    showSlotMessage(text);
    return;
  }
  showSlotMessage(stateLoadText(result));
}

// F7, F8: the slot before or after, round the ten.
static void chooseSlot(int32_t change) {
  static char text[OVERLAY_TEXT_SIZE];
  hostControls.stateSlot = (hostControls.stateSlot + change + STATE_SLOTS) % STATE_SLOTS;
  char name[STATE_NAME_SIZE];
  stateFileName(hostControls.stateSlot, name, sizeof name);
  snprintf(text, sizeof text, "Slot %d (%s)", int(hostControls.stateSlot), name);
  showMessage(text);
}

// A key's first key-down, not its auto-repeats: what a toggle answers.
static bool firstPress(bool down, intptr_t lParam) { return down && !(lParam & KEY_WAS_DOWN); }

// The player's keys (pause, frame advance, save and load, slots, rewind, controls list, window or full
// screen, views, fast forward), outside the board's key table; they act whether or not Alt, a board button, is held.
static bool runPlayerKey(uint32_t keyCode, bool down, intptr_t lParam) {
  HostControls& hc = hostControls;
  switch (keyCode) {
  case VKEY_P:
  case VKEY_PAUSE:
    if (firstPress(down, lParam)) {
      hc.paused = !hc.paused;
      hc.stepRequested = false;
      refreshOverlay();
    }
    return true;
  case VKEY_N:
    if (down && hc.paused)
      hc.stepRequested = true;
    return true;
  case VKEY_F2:
    if (down)
      saveSlot();
    return true;
  case VKEY_F3:
    if (down)
      loadSlot();
    return true;
  case VKEY_F7:
  case VKEY_F8:
    if (down)
      chooseSlot(keyCode == VKEY_F7 ? -1 : 1);
    return true;
  case VKEY_R:
    if (hc.rewinding != down && hc.rewindOn) {
      hc.rewinding = down;
      refreshOverlay();
    }
    return true;
  case VKEY_H:
    if (firstPress(down, lParam))
      toggleControls();
    return true;
  case VKEY_F9:
    // Window or full screen; a refused full screen says why and leaves the window.
    if (firstPress(down, lParam))
      if (const char* failure = switchPresentation())
        showMessage(failure);
    return true;
  case VKEY_VIEWS:
    // The views window beside the program's; refused in the full screen and where there is none.
    if (firstPress(down, lParam))
      if (const char* failure = platformToggleViews())
        showMessage(failure);
    return true;
  case VKEY_BACK:
    if (hc.fastForward != down) {
      hc.fastForward = down;
      platformSetPresentWait(!down);
      refreshOverlay();
    }
    return true;
  default:
    return false;
  }
}

intptr_t windowProc(PlatformWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  // The player's settings decide which action a key is (0: none); the system still gets the key itself.
  const uint32_t key = translateKey(uint32_t(wParam), lParam);
  switch (message) {
  case MSG_DESTROY:
    requestEnd();
    return 0;
  case MSG_ACTIVATEAPP:
    // Under gdb the program runs on while the person types in gdb's terminal.
    hostControls.appActive = uint32_t(wParam) || gdbStub.attached;
    return platformDefaultWindowProc(window, message, wParam, lParam);
  case MSG_KEYDOWN:
    if (!runPlayerKey(key, true, lParam) && !runControlKey(key))
      coreQueueKey(key, true);
    return 0;
  case MSG_KEYUP:
    if (!runPlayerKey(key, false, lParam))
      coreQueueKey(key, false);
    return 0;
  case MSG_SYSKEYDOWN:
  case MSG_SYSKEYUP:
    // Windows reports Alt, and every key pressed while Alt is held, as system
    // keys; without this the Alt button could never be pressed there. Default
    // processing still follows, so Alt+F4 keeps closing the window.
    if (!runPlayerKey(key, message == MSG_SYSKEYDOWN, lParam))
      coreQueueKey(key, message == MSG_SYSKEYDOWN);
    return platformDefaultWindowProc(window, message, wParam, lParam);
  default:
    return platformDefaultWindowProc(window, message, wParam, lParam);
  }
}
