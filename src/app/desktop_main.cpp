// quillomark: the desktop program.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/install_folders.h"
#include "app/program_info.h"
#include "app/program.h"
#include "app/settings.h"
#include "host/controls.h"
#include "host/key_map.h"
#include "debug/symbols.h"
#include "host/run_records.h"
#include "core/rewind.h"
#include "host/run_end.h"
#include "platform/platform.h"
#include "video/display.h"
#ifndef _WIN32
#include "app/gdb_server.h"
#endif

#ifdef _WIN32
#define SETTINGS_PLACE_TEXT "%APPDATA%\\Quillomark\\settings.toml"
#define GDB_USAGE "  --gdb          not in the Windows program: use quillomark or quillomark-headless on Linux\n"
#define VIEWS_USAGE "  --views        not in the Windows program: use quillomark on Linux\n"
#else
#define SETTINGS_PLACE_TEXT "$XDG_CONFIG_HOME/quillomark/settings.toml (~/.config/quillomark/)"
#define GDB_USAGE                                                                                        \
  "  --gdb PORT     waits for gdb (gdb-multiarch: target remote :PORT) on 127.0.0.1:PORT before the\n" \
  "                 first instruction and serves it; 0 picks a free port; ADDRESS:PORT listens on\n"    \
  "                 another address (gdb there reads and writes all memory)\n"
#define VIEWS_USAGE                                                                                      \
  "  --views        opens a second window beside the program's, in a window only: palette RAM, both\n"   \
  "                 tile maps (visible window and priority cells marked), a tile sheet (B: its bank),\n" \
  "                 the sprite table (S: its page), the CPU and a memory dump (Up/Down, PgUp/PgDn:\n"  \
  "                 the address; M: the next area); keys there never reach the game, Esc closes it.\n" \
  "                 The views action (no key by default) opens and closes it while running\n"
#endif

static const char DESKTOP_USAGE[] =
    "usage: quillomark [-640] [--window | --full-screen] [--symbols ELF] [--gdb [ADDRESS:]PORT] [--views]\n"
    "                  [--help] [--version] [FOLDER]\n"
    "Runs the ROM set and pal.bmp of FOLDER (default: the working directory) full screen or in a\n"
    "window; writes keys.bin there as it runs and dump.bin when it ends (close the window, Alt+F4,\n"
    "or a signal). F9 switches between window and full screen.\n"
    RUN_FOLDER_USAGE_TEXT
    "  -640           the 640x480 mode (the picture at twice the size)\n"
    "  --window       a resizable window (also when QUILLOMARK_WINDOWED=1; taken by itself when\n"
    "                 the full-screen mode cannot be set)\n"
    "  --full-screen  the full screen (the default)\n"
    "  --help         prints this text and exits\n"
    "  --version      prints the version and exits\n"
    "\n"
    "Keys:\n";
// After the keys: the settings file, then what programmers of the board use, and the exit codes.
static const char DESKTOP_USAGE_END[] =
    "The keys, pad buttons, window and scale are set in the settings file, written with the\n"
    "defaults on the first run: " SETTINGS_PLACE_TEXT ".\n"
    "Each action takes a list of keys: window = [\"F9\", \"F10\"] switches between window and full\n"
    "screen with F9 or F10.\n"
    "Other options are ignored. With no terminal (started from an icon), a start-up failure is\n"
    "shown in a message box too, unless QUILLOMARK_NO_DIALOGS=1.\n"
    "\n"
    "Developer options:\n"
    "  --symbols ELF  names code addresses function+offset in the reports, from the program's ELF file\n"
    GDB_USAGE
    VIEWS_USAGE
    "\n" PROGRAM_EXIT_CODES_TEXT;

// The usage text with the keys between its two halves, as the controls list (H) gives them by default.
static void printDesktopHelp() {
  resetKeyMap();
  char keys[PANEL_TEXT_SIZE];
  describeControls(keys, sizeof keys);
  printf("%s", DESKTOP_USAGE);
  // The list's rows, indented as the options are.
  for (const char* line = keys; *line;) {
    const size_t length = strcspn(line, "\n");
    printf("  %.*s\n", int(length), line);
    line += length + (line[length] == '\n');
  }
  printf("\n%s", DESKTOP_USAGE_END);
  fflush(stdout);
}

// The player's settings, right after the banner and before the options, which may say otherwise, as
// may the environment. A settings line that was not used is named on the picture too: the player may
// have no terminal. Returns the greeting (null: none).
static const char* readPlayerSettings() {
  loadSettings();
  displayContext.windowed = settings.window || environmentFlag(WINDOWED_VARIABLE);
  platformSetWindowScale(settings.scale);
  static char greeting[OVERLAY_TEXT_SIZE];
  greeting[0] = 0;
  if (keyMap.keys[ACTION_CONTROLS].count) {
    char key[KEY_NAME_SIZE];
    nameKey(keyMap.keys[ACTION_CONTROLS].codes[0], key);
    snprintf(greeting, sizeof greeting, "%s shows the controls", key);
  }
  if (!settings.problems.empty())
    describeSettingsProblems(greeting, sizeof greeting);
  return greeting[0] ? greeting : nullptr;
}

int main(int argc, char** argv) {
  // Looked for before the core starts: the core would open the window first.
  if (const ProgramInfo info = findProgramInfo(argc, argv)) {
    if (info == INFO_HELP)
      printDesktopHelp();
    else
      printProgramInfo(info, "quillomark", DESKTOP_USAGE);
    return EXIT_CODE_HELP;
  }
  resetAllRecords();
  // Only the desktop keeps rewind states and holds back a short tap's release.
  hostControls.rewindOn = true;
  char message[FOLDER_MESSAGE_SIZE];
  const char* folder = nullptr;
  const char* symbols = nullptr;
  const char* gdb = nullptr;
  // The first argument that is no option (nor an option's value) names the ROM set's folder.
  for (int i = 1; i < argc; ++i) {
    const bool takesValue = strcmp(argv[i], "--symbols") == 0 || strcmp(argv[i], "--gdb") == 0;
    if (takesValue && i + 1 == argc) {
      fprintf(stderr, "quillomark: %s needs a value\n", argv[i]);
      return EXIT_CODE_USAGE;
    }
    if (takesValue) {
      *(strcmp(argv[i], "--gdb") == 0 ? &gdb : &symbols) = argv[i + 1];
      ++i;
    } else if (strcmp(argv[i], "--views") == 0) {
      hostControls.viewsAtStart = true;
    } else if (argv[i][0] != '-' && !folder) {
      folder = argv[i];
    }
  }
  if (symbols && !loadSymbols(symbols, message, sizeof message)) {
    fprintf(stderr, "quillomark: %s\n", message);
    return EXIT_CODE_USAGE;
  }
#ifdef _WIN32
  if (gdb || hostControls.viewsAtStart) {
    fprintf(stderr, "quillomark: %s is not in the Windows program\n", gdb ? "--gdb" : "--views");
    return EXIT_CODE_USAGE;
  }
#else
  if (gdb && !startGdbServer(gdb, message, sizeof message)) {
    fprintf(stderr, "quillomark: %s\n", message);
    return EXIT_CODE_USAGE;
  }
#endif
  // The run happens in the folder: option paths were read or opened before.
  if (folder && !platformEnterFolder(folder)) {
    describeFolderFailure(folder, errno, message, sizeof message);
    fprintf(stderr, "quillomark: %s\n", message);
    showStartFailure(message, false);
    return EXIT_CODE_USAGE;
  }
  runQuillomark(argc, argv, readPlayerSettings);
}
