#include "debug/debugger.h"

#include <algorithm>

#include "cpu68k/cpu_state.h"
#include "cpu68k/disassemble.h"
#include "cpu68k/exceptions.h"
#include "files/file_write.h"
#include "debug/symbols.h"
#include "driver/frame_loop.h"

Debugger debugger;

void watchWithDebugger() { loopWatch = LoopWatch{watchInstruction, watchAfterInstruction}; }

void closeTrace() {
  if (debugger.trace && fclose(debugger.trace) != 0)
    reportWriteFailure(FILE_TRACE, debugger.tracePath);
  debugger.trace = nullptr;
  exceptionWatch.taken = nullptr;
}

// A failed line ends the trace; the run goes on.
static void checkTraceWrite(int printed) {
  if (printed < 0) {
    reportWriteFailure(FILE_TRACE, debugger.tracePath);
    closeTrace();
  }
}

// Exceptions are written after the line of the instruction that took them (or, for the frame
// interrupt, after the last instruction of the frame).
static void noteException(uint32_t vector, uint32_t handler) {
  Debugger& d = debugger;
  if (!d.trace || frameLoopState.passCount < d.traceFrom)
    return;
  if (d.exceptionCount < MAX_EXCEPTIONS_PER_INSTRUCTION) {
    d.exceptionVector[d.exceptionCount] = vector;
    d.exceptionHandler[d.exceptionCount] = handler;
    ++d.exceptionCount;
  }
  if (!d.linePending)
    finishTraceLine();
}

bool startTrace(const char* path, uint32_t from, uint64_t limit) {
  debugger.trace = fopen(path, "w");
  if (!debugger.trace)
    return false;
  debugger.tracePath = path;
  debugger.traceFrom = from;
  debugger.traceLeft = limit;
  exceptionWatch.taken = noteException;
  return true;
}

void reportBreakpointsMissed() {
  if (debugger.breakpoints.empty() || debugger.breakpointReached)
    return;
  printf("No breakpoint reached in %u passes\n", frameLoopState.passCount);
  fflush(stdout);
}

void reportTraceEmpty() {
  if (!debugger.tracePath || debugger.traceWritten)
    return;
  printf("No instruction traced: the run ended after %u passes, and the trace begins after pass %u\n",
         frameLoopState.passCount, debugger.traceFrom);
  fflush(stdout);
}

void addBreakpoint(uint32_t address) {
  std::vector<uint32_t>& points = debugger.breakpoints;
  points.insert(std::upper_bound(points.begin(), points.end(), address), address);
}

void printBreak(uint32_t pc) {
  buildSr();
  char name[PLACE_NAME_SIZE];
  printf("Breakpoint at %08x%s in pass %u\n", pc, symbolSuffix(pc, name, sizeof name), frameLoopState.passCount);
  for (int row = 0; row < 4; ++row) {
    const int n = 4 * (row % 2);
    const char kind = row < 2 ? 'D' : 'A';
    const uint32_t* regs = cpuState.regs + (row < 2 ? 0 : REG_A0) + n;
    printf("%c%d %08x  %c%d %08x  %c%d %08x  %c%d %08x\n", kind, n, regs[0], kind, n + 1, regs[1], kind, n + 2,
           regs[2], kind, n + 3, regs[3]);
  }
  printf("SR %04x  USP %08x  SSP %08x\n", cpuState.sr, cpuState.s ? cpuState.usp : cpuState.regs[REG_A7],
         cpuState.s ? cpuState.regs[REG_A7] : cpuState.ssp);
  fflush(stdout);
}

bool watchInstruction() {
  Debugger& d = debugger;
  const uint32_t pc = getPc();
  if (!d.breakpoints.empty() && std::binary_search(d.breakpoints.begin(), d.breakpoints.end(), pc)) [[unlikely]] {
    printBreak(pc);
    d.breakpointReached = true;
    return true;
  }
  if (gdbStub.attached && gdbStopsBefore(pc)) [[unlikely]]
    return true;
  const uint32_t pass = frameLoopState.passCount;
  if (!d.trace || pass < d.traceFrom)
    return false;
  if (d.traceLeft == 0) {
    checkTraceWrite(fprintf(d.trace, "# trace limit reached\n"));
    closeTrace();
    return false;
  }
  --d.traceLeft;
  d.linePending = true;
  d.linePass = pass;
  d.linePc = pc;
  disassembleMemory(pc, d.lineText, sizeof d.lineText);
  return false;
}

void finishTraceLine() {
  Debugger& d = debugger;
  if (d.linePending) {
    d.linePending = false;
    char flags[6] = "-----";
    const CcrWord ccr = ccrWord;
    const CcrWord bits[5] = {CCR_X, CCR_N, CCR_Z, CCR_V, CCR_C};
    for (int i = 0; i < 5; ++i)
      if (ccr & bits[i])
        flags[i] = "XNZVC"[i];
    char name[PLACE_NAME_SIZE];
    if (d.trace) {
      checkTraceWrite(fprintf(d.trace, "%u %08x %-40s %s%s\n", d.linePass, d.linePc, d.lineText, flags,
                              symbolSuffix(d.linePc, name, sizeof name)));
      d.traceWritten = true;
    }
  }
  for (uint32_t i = 0; i < d.exceptionCount && d.trace; ++i) {
    char name[PLACE_NAME_SIZE];
    checkTraceWrite(fprintf(d.trace, "%u exception %u -> %08x%s\n", frameLoopState.passCount, d.exceptionVector[i],
                            d.exceptionHandler[i], symbolSuffix(d.exceptionHandler[i], name, sizeof name)));
  }
  d.exceptionCount = 0;
}

bool watchAfterInstruction() {
  finishTraceLine();
  return gdbStub.attached && gdbStopsAfter();
}
