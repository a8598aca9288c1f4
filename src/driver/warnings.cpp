#include "driver/warnings.h"

#include <cstdio>

WarningBudget warningBudget;

void reportSuppressedWarnings() {
  if (warningBudget.suppressed == 0)
    return;
  printf("%u more warnings in this frame\n", warningBudget.suppressed);
  warningBudget.suppressed = 0;
}

void startWarningFrame() {
  reportSuppressedWarnings();
  warningBudget.printed = 0;
}
