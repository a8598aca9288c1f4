// The console's warning budget: a program that faults on every instruction must not flood the
// console, so each frame prints at most WARNING_LINES_PER_FRAME warning lines and counts the rest.
#pragma once
#include <cstdint>
#include <cstdio>

inline constexpr uint32_t WARNING_LINES_PER_FRAME = 100;
inline constexpr int WARNING_LINE_SIZE = 160; // room for one line, its terminator included

struct WarningBudget {
  uint32_t printed;    // warning lines printed in this frame
  uint32_t suppressed; // warning lines held back since the last report
  bool illegalContextShown; // the run's first illegal instruction has been shown with its context
  void (*sink)(const char* line); // where warning lines go instead of the console (null: the console)
};

extern WarningBudget warningBudget;

// True when one more warning line may be printed in this frame; otherwise counts it as held back.
inline bool mayPrintWarning() {
  if (warningBudget.printed < WARNING_LINES_PER_FRAME) [[likely]] {
    ++warningBudget.printed;
    return true;
  }
  ++warningBudget.suppressed;
  return false;
}

// Prints one warning line (format without its newline) to stream, or hands it to the sink when one is set.
void printWarning(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Prints "N more warnings in this frame" when lines were held back, and zeroes that count.
void reportSuppressedWarnings();
// At a frame end: reports what was held back and gives the next frame a full budget.
void startWarningFrame();
