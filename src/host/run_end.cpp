#include "host/run_end.h"
#include "driver/frame_loop.h"

#include <cstdio>

#include "debug/debugger.h"
#include "files/file_write.h"
#include "host/input_log.h"
#include "host/state_files.h"
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
  closeSoundLog(frameLoopState.passCount + 1);
  reportBreakpointsMissed();
  reportTraceEmpty();
  reportStateNotSaved();
  platformShutdown(displayLost);
  writeDump();
  if (fileWriteState.anyFailed)
    return EXIT_CODE_WRITE_FAILED;
  return runEnd.afterHang ? EXIT_CODE_HANG : EXIT_CODE_END;
}
