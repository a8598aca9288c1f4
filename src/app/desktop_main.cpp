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
#include "video/display.h"

static const char DESKTOP_USAGE[] =
    "usage: quillomark [-640] [--window | --full-screen] [--help] [--version] [FOLDER]\n"
    "Runs the ROM set and pal.bmp of FOLDER (default: the working directory) full screen or in a\n"
    "window; writes keys.bin there as it runs and dump.bin when it ends (close the window, Alt+F4,\n"
    "or a signal). F9 switches between window and full screen.\n"
    "  -640          the 640x480 mode (the picture at twice the size)\n"
    "  --window      a resizable window (also when QUILLOMARK_WINDOWED=1; taken by itself when\n"
    "                the full-screen mode cannot be set)\n"
    "  --full-screen the full screen (the default)\n"
    "  --help        prints this text and exits\n"
    "  --version     prints the version and exits\n"
    "Other options are ignored. With no terminal (started from an icon), a start-up failure is\n"
    "shown in a message box too, unless QUILLOMARK_NO_DIALOGS=1.\n" PROGRAM_EXIT_CODES_TEXT;

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
  displayContext.windowed = environmentFlag(WINDOWED_VARIABLE); // the options may say otherwise
  // The first argument that is no option names the ROM set's folder; the run happens there.
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] != '-') {
      if (!platformEnterFolder(argv[i])) {
        char message[FOLDER_MESSAGE_SIZE];
        describeFolderFailure(argv[i], errno, message, sizeof message);
        fprintf(stderr, "quillomark: %s\n", message);
        showStartFailure(message, false);
        return EXIT_CODE_USAGE;
      }
      break;
    }
  runQuillomark(argc, argv);
}
