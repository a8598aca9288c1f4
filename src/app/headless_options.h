// quillomark-headless's command line.
#pragma once
#include <cstdint>
#include <vector>

#include "app/program_info.h"

struct HeadlessOptions {
  uint32_t frames;
  const char* keysPath;
  const char* digestsPath;
  const char* replayPath;
  const char* loadStatePath; // --load-state FILE
  uint32_t saveStatePass;    // --save-state N FILE: after pass N (0: none)
  const char* saveStatePath;
  const char* tracePath;     // --trace FILE
  uint32_t traceFrom;        // --trace-from P
  uint32_t traceLimit;       // --trace-limit N
  std::vector<uint32_t> breakpoints; // every --break ADDRESS
  std::vector<const char*> breakNames; // every --break FUNCTION, found through --symbols
  const char* symbolsPath;   // --symbols ELF
  const char* gdbWhere;      // --gdb [ADDRESS:]PORT
  const char* folder;        // the ROM set's folder, where the run's own files go (null: here)
  const char* soundLogPath;  // --sound-log FILE
  bool exitOnHang;           // --exit-on-hang
  bool stats;
  bool wide;
  ProgramInfo info; // --help or --version: print it and run nothing
};

// The text --help prints.
extern const char HEADLESS_USAGE[];

// Parses quillomark-headless's command line; on error fills message and returns false. Parsing stops
// at --help or --version.
bool parseHeadlessOptions(int argc, char** argv, HeadlessOptions* options, char* message, int messageSize);
