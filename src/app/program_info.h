// --help and --version, shared by quillomark, quillomark-headless and quillomark-conformance.
// Header only: the conformance tool links none of the programs' libraries.
#pragma once
#include <cstdio>
#include <cstring>

#include "core/version.h"


// The last lines of the emulator programs' usage texts (a macro, so that it joins their literals).
#define PROGRAM_EXIT_CODES_TEXT                                                                        \
  "Exit codes: 0 help or version; 1 an orderly end (or a start-up failure, with its message);\n"      \
  "2 a usage or key-script error; 3 the CPU decode table could not be built;\n"                      \
  "4 an orderly end in which a file could not be written; 5 an orderly end after a hang\n"      \
  "(quillomark-headless --exit-on-hang).\n"

enum ProgramInfo { INFO_NONE, INFO_HELP, INFO_VERSION };

// What an argument asks for: INFO_HELP for exactly --help, INFO_VERSION for exactly --version.
inline ProgramInfo programInfoAsked(const char* arg) {
  if (strcmp(arg, "--help") == 0)
    return INFO_HELP;
  if (strcmp(arg, "--version") == 0)
    return INFO_VERSION;
  return INFO_NONE;
}

// The first --help or --version among the arguments, INFO_NONE if neither is there.
inline ProgramInfo findProgramInfo(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (const ProgramInfo asked = programInfoAsked(argv[i]))
      return asked;
  return INFO_NONE;
}

// Prints the usage text or the one version line ("NAME VERSION") to standard output.
inline void printProgramInfo(ProgramInfo info, const char* program, const char* usage) {
  if (info == INFO_HELP)
    fputs(usage, stdout);
  else
    printf("%s %s\n", program, QUILLOMARK_VERSION);
  fflush(stdout);
}
