// quillomark-test-rom KIND DIR: writes the ROM set of one test program (idle, hang, warnings, busy)
// into DIR, for the tests that run the programs from a shell.
#include <cstdio>
#include <cstring>

#include "support/test_programs.h"

int main(int argc, char** argv) {
  struct Kind {
    const char* name;
    std::vector<uint8_t> (*image)();
  };
  constexpr Kind KINDS[] = {{"idle", idleProgram}, {"hang", hangProgram}, {"warnings", warningStormProgram},
                           {"busy", busyProgram}};
  if (argc == 3)
    for (const Kind& kind : KINDS)
      if (strcmp(argv[1], kind.name) == 0) {
        writeRomSet(argv[2], kind.image());
        return 0;
      }
  fprintf(stderr, "usage: quillomark-test-rom idle|hang|warnings|busy DIR\n");
  return 2;
}
