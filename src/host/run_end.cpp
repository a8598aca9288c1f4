#include "host/run_end.h"

#include <cstdio>
#include <cstdlib>

#include "driver/file_write.h"
#include "host/input_log.h"
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

void endRun(bool displayLost) {
  closeKeyLog();
  platformShutdown(displayLost);
  writeDump();
  const int code = fileWriteState.anyFailed ? EXIT_CODE_WRITE_FAILED : EXIT_CODE_END;
  if (displayLost) {
    // Cleanup handlers would talk to the dead display connection and never return.
    fflush(nullptr);
    _Exit(code);
  }
  exit(code);
}
