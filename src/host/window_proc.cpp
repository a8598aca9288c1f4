#include "host/window_proc.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include "cpu68k/cpu_state.h"
#include "host/controls.h"
#include "host/keyboard.h"
#include "host/on_screen.h"
#include "host/run_end.h"
#include "host/save_state.h"
#include "host/input_log.h"
#include "video/screenshot.h"

// Control keys act on key-down only, auto-repeats included.
static bool runControlKey(uint32_t keyCode) {
  switch (keyCode) {
  case VKEY_I:
    hostControls.spriteInspector = !hostControls.spriteInspector;
    return true;
  case VKEY_F1:
    resetCpu();
    return true;
  case VKEY_F5:
    ++hostControls.inspectedSlot;
    return true;
  case VKEY_F6:
    --hostControls.inspectedSlot;
    return true;
  case VKEY_F11:
    hostControls.frameShotsOn = 1;
    showMessage("Recording frames");
    return true;
  case VKEY_F12:
    if (writeSnapshotBitmap())
      showMessage("Snapshot written");
    return true;
  default:
    return false;
  }
}

// Shows what F3 did; a state that is there but cannot be read says why.
static void showLoadResult(StateLoadResult result) {
  static char text[OVERLAY_TEXT_SIZE];
  const int error = errno;
  if (result == STATE_MISSING && error != ENOENT) {
    // A pipe, a device or a folder is refused unread (EINVAL, EISDIR).
    const bool irregular = error == EINVAL || error == EISDIR;
    snprintf(text, sizeof text, "%s: %s", stateLoadText(result), irregular ? "not a regular file" : strerror(error));
    showMessage(text);
    return;
  }
  showMessage(stateLoadText(result));
}

// The player's keys (pause, frame advance, save and load, fast forward), outside the board's key
// table; they act whether or not Alt, a board button, is held.
static bool runPlayerKey(uint32_t keyCode, bool down, intptr_t lParam) {
  HostControls& hc = hostControls;
  switch (keyCode) {
  case VKEY_P:
  case VKEY_PAUSE:
    if (down && !(lParam & KEY_WAS_DOWN)) {
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
      showMessage(saveMachineState(STATE_FILE) ? "State saved" : "State not saved");
    return true;
  case VKEY_F3:
    if (down)
      showLoadResult(loadMachineState(STATE_FILE));
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
  switch (message) {
  case MSG_DESTROY:
    requestEnd();
    return 0;
  case MSG_ACTIVATEAPP:
    hostControls.appActive = uint32_t(wParam);
    return platformDefaultWindowProc(window, message, wParam, lParam);
  case MSG_KEYDOWN:
    if (!runPlayerKey(uint32_t(wParam), true, lParam) && !runControlKey(uint32_t(wParam)))
      applyKey(uint32_t(wParam), 1);
    return 0;
  case MSG_KEYUP:
    if (!runPlayerKey(uint32_t(wParam), false, lParam))
      applyKey(uint32_t(wParam), 0);
    return 0;
  case MSG_SYSKEYDOWN:
  case MSG_SYSKEYUP:
    // Windows reports Alt, and every key pressed while Alt is held, as system
    // keys; without this the Alt button could never be pressed there. Default
    // processing still follows, so Alt+F4 keeps closing the window.
    if (!runPlayerKey(uint32_t(wParam), message == MSG_SYSKEYDOWN, lParam))
      applyKey(uint32_t(wParam), message == MSG_SYSKEYDOWN);
    return platformDefaultWindowProc(window, message, wParam, lParam);
  default:
    return platformDefaultWindowProc(window, message, wParam, lParam);
  }
}
