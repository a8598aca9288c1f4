#include "host/window_proc.h"

#include <cstdio>
#include <cstdlib>

#include "cpu68k/cpu_state.h"
#include "host/controls.h"
#include "host/keyboard.h"
#include "host/run_end.h"
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
    return true;
  case VKEY_F12:
    writeSnapshotBitmap();
    return true;
  default:
    return false;
  }
}

intptr_t windowProc(PlatformWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
  case MSG_DESTROY:
    endRun(false);
  case MSG_ACTIVATEAPP:
    hostControls.appActive = uint32_t(wParam);
    return platformDefaultWindowProc(window, message, wParam, lParam);
  case MSG_KEYDOWN:
    if (!runControlKey(uint32_t(wParam)))
      applyKey(uint32_t(wParam), 1);
    return 0;
  case MSG_KEYUP:
    applyKey(uint32_t(wParam), 0);
    return 0;
  case MSG_SYSKEYDOWN:
  case MSG_SYSKEYUP:
    // Windows reports Alt, and every key pressed while Alt is held, as system
    // keys; without this the Alt button could never be pressed there. Default
    // processing still follows, so Alt+F4 keeps closing the window.
    applyKey(uint32_t(wParam), message == MSG_SYSKEYDOWN);
    return platformDefaultWindowProc(window, message, wParam, lParam);
  default:
    return platformDefaultWindowProc(window, message, wParam, lParam);
  }
}
