#include "driver/start_up.h"

#include <cstdio>

#include "core/core.h"
#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/rom_files.h"
#include "host/joystick.h"
#include "host/run_end.h"
#include "host/state_files.h"
#include "host/window_proc.h"
#include "video/display.h"

// A start-up step failed: its message on the console, and wherever the program shows it besides.
static bool failStart(const StartUpSteps& steps, const char* message, bool romSetFailed) {
  printf("%s\n", message);
  fflush(stdout);
  steps.failure(message, romSetFailed);
  return false;
}

bool startUp(int argc, char** argv, const StartUpSteps& steps) {
  platformSetEndRoutine(steps.end);
  steps.banner();
  steps.options(argc, argv);
  detectJoystick();
  char message[CORE_MESSAGE_SIZE];
  printf("Building CPU table...\n");
  if (!buildCpuTables(message, sizeof message))
    return failStart(steps, message, false);
  if (!loadRomSetFiles(message, sizeof message))
    return failStart(steps, message, true);
  resetCpu();
  printf("Building color table.\n");
  if (!loadPaletteFile(message, sizeof message))
    return failStart(steps, message, true);
  steps.runFolder();
  if (!initDisplay(windowProc, message, sizeof message))
    return failStart(steps, message, false);
  watchEndSignals();
  applyPendingState(); // a state asked for at start (quillomark-headless --load-state)
  return true;
}
