#include "host/run_end.h"

#include <cstdio>

#include "driver/debugger.h"
#include "driver/file_write.h"
#include "host/input_log.h"
#include "host/save_state.h"
#include "platform/platform.h"
#include "video/display.h"

RunEnd runEnd;

static void recordEndSignal(int) { requestEnd(); }

void watchEndSignals() {
  signal(SIGINT, recordEndSignal);
  signal(SIGTERM, recordEndSignal);
#ifdef SIGHUP
  signal(SIGHUP, recordEndSignal);
#endif
}

int finishRun(bool displayLost) {
  closeKeyLog();
  closeTrace();
  closeSoundLog(displayContext.passCount + 1);
  reportBreakpointsMissed();
  reportStateNotSaved();
  platformShutdown(displayLost);
  writeDump();
  if (fileWriteState.anyFailed)
    return EXIT_CODE_WRITE_FAILED;
  return runEnd.afterHang ? EXIT_CODE_HANG : EXIT_CODE_END;
}
