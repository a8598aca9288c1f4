#include "host/run_end.h"

#include <cstdio>

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

int finishRun(bool displayLost) {
  closeKeyLog();
  platformShutdown(displayLost);
  writeDump();
  return fileWriteState.anyFailed ? EXIT_CODE_WRITE_FAILED : EXIT_CODE_END;
}
