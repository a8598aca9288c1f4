// quillomark: the desktop program.
#include "app/program_info.h"
#include "driver/startup.h"
#include "host/run_end.h"

static const char DESKTOP_USAGE[] =
    "usage: quillomark [-640] [--help] [--version]\n"
    "Runs the ROM set and pal.bmp of the working directory in a window; writes keys.bin as it runs\n"
    "and dump.bin when it ends (close the window, Alt+F4, or a signal).\n"
    "  -640       the 640x480 mode (the picture at twice the size)\n"
    "  --help     prints this text and exits\n"
    "  --version  prints the version and exits\n"
    "Other arguments are ignored.\n" PROGRAM_EXIT_CODES_TEXT;

int main(int argc, char** argv) {
  // Looked for before the core starts: the core would open the window first.
  if (const ProgramInfo info = findProgramInfo(argc, argv)) {
    printProgramInfo(info, "quillomark", DESKTOP_USAGE);
    return EXIT_CODE_HELP;
  }
  runQuillomark(argc, argv);
}
