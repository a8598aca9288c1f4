// quillomark: the desktop program.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/program_info.h"
#include "app/program.h"
#include "host/controls.h"
#include "host/records.h"
#include "host/rewind.h"
#include "host/run_end.h"
#include "platform/platform.h"

static const char DESKTOP_USAGE[] =
    "usage: quillomark [-640] [--help] [--version] [FOLDER]\n"
    "Runs the ROM set and pal.bmp of FOLDER (default: the working directory) in a window; writes\n"
    "keys.bin there as it runs and dump.bin when it ends (close the window, Alt+F4, or a signal).\n"
    "  -640       the 640x480 mode (the picture at twice the size)\n"
    "  --help     prints this text and exits\n"
    "  --version  prints the version and exits\n"
    "Other options are ignored.\n" PROGRAM_EXIT_CODES_TEXT;

int main(int argc, char** argv) {
  // Looked for before the core starts: the core would open the window first.
  if (const ProgramInfo info = findProgramInfo(argc, argv)) {
    printProgramInfo(info, "quillomark", DESKTOP_USAGE);
    return EXIT_CODE_HELP;
  }
  resetRecords();
  // Only the desktop keeps rewind states and holds back a short tap's release.
  rewindHistory.enabled = true;
  hostControls.holdShortTaps = true;
  // The first argument that is no option names the ROM set's folder; the run happens there.
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] != '-') {
      if (!platformEnterFolder(argv[i])) {
        char message[FOLDER_MESSAGE_SIZE];
        describeFolderFailure(argv[i], errno, message, sizeof message);
        fprintf(stderr, "quillomark: %s\n", message);
        return EXIT_CODE_USAGE;
      }
      break;
    }
  runQuillomark(argc, argv);
}
