#include "driver/warnings.h"

#include <cstdarg>
#include <cstdio>

WarningBudget warningBudget;

void reportSuppressedWarnings() {
  if (warningBudget.suppressed == 0)
    return;
  printWarning(stdout, "%u more warnings in this frame", warningBudget.suppressed);
  warningBudget.suppressed = 0;
}

void startWarningFrame() {
  reportSuppressedWarnings();
  warningBudget.printed = 0;
}

void printWarning(FILE* stream, const char* format, ...) {
  char line[WARNING_LINE_SIZE];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (warningBudget.sink)
    warningBudget.sink(line);
  else
    fprintf(stream, "%s\n", line);
}
