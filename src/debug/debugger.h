// The watching variant of the frame loop: an instruction trace and breakpoints, for people who
// write programs for the board. The plain loop never pays for it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "cpu68k/disassemble.h"
#include "debug/gdb_stub.h"

inline constexpr uint32_t DEFAULT_TRACE_FROM = 1;        // the first pass traced
inline constexpr uint64_t DEFAULT_TRACE_LIMIT = 1000000; // instructions written at most
inline constexpr int MAX_EXCEPTIONS_PER_INSTRUCTION = 4; // exception lines kept for one trace line

struct Debugger {
  FILE* trace;                       // the trace file, while it is written
  const char* tracePath;
  uint32_t traceFrom;                // the first pass whose instructions are written
  uint64_t traceLeft;                // instructions still to write
  bool traceWritten;                 // a line has been written
  std::vector<uint32_t> breakpoints; // sorted addresses that end the run when the PC reaches one
  bool breakpointReached;            // the run stopped at one
  // The trace line of the instruction being run, finished once its condition codes are known.
  bool linePending;
  uint32_t linePass, linePc;
  char lineText[DISASSEMBLY_TEXT_SIZE];
  uint32_t exceptionCount;           // exceptions taken meanwhile, written after the line
  uint32_t exceptionVector[MAX_EXCEPTIONS_PER_INSTRUCTION];
  uint32_t exceptionHandler[MAX_EXCEPTIONS_PER_INSTRUCTION];
};

extern Debugger debugger;

// True when a trace, breakpoints or gdb were asked for: the frame loop runs its watching variant.
inline bool debuggerWanted() { return debugger.trace || !debugger.breakpoints.empty() || gdbStub.attached; }

// Makes the frame loop's watching variant ask the debugger before and after each instruction.
void watchWithDebugger();
// Opens the trace file for writing from pass `from` for at most `limit` instructions; false
// (errno set) when it cannot be created.
bool startTrace(const char* path, uint32_t from, uint64_t limit);
// Closes the trace, as the orderly end does: a failed write or close is reported (exit code 4).
void closeTrace();
// At the end of a run with breakpoints none of which was reached: says so on standard output.
void reportBreakpointsMissed();
// At the end of a run whose trace caught nothing: says so on standard output.
void reportTraceEmpty();
// Adds a breakpoint address.
void addBreakpoint(uint32_t address);
// Before an instruction: at a breakpoint prints the stop and returns true (the instruction must not
// run), at one of gdb's returns true; otherwise begins the instruction's trace line.
bool watchInstruction();
// After an instruction: writes its trace line with the condition codes, then its exceptions.
void finishTraceLine();
// After an instruction: its trace line, then gdb's look; true when gdb stops the machine here.
bool watchAfterInstruction();
// Prints the pass, PC, registers and status register of a stop at a breakpoint.
void printBreak(uint32_t pc);
