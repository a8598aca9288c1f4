#include "host/run_end.h"

#include <cstdio>

#include "driver/debugger.h"
#include "driver/file_write.h"
#include "host/input_log.h"
#include "host/save_state.h"
#include "platform/platform.h"

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
  reportBreakpointsMissed();
  reportStateNotSaved();
  platformShutdown(displayLost);
  writeDump();
  return fileWriteState.anyFailed ? EXIT_CODE_WRITE_FAILED : EXIT_CODE_END;
}
