#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/frame_loop.h"
#include "driver/gdb_stub.h"
#include "host/core.h"
#include "host/joystick.h"
#include "host/program_loop.h"
#include "host/rom_files.h"
#include "host/run_end.h"
#include "host/save_state.h"
#include "host/window_proc.h"
#include "platform/platform.h"
#include "video/display.h"

void printBanner() {
  printf("Quillomark arcade emulator (https://quillomark.example/)\n\n");
  printf("%-26s%s\n", "Arcade emulator:", "Quillomark team (team@quillomark.example)");
  printf("%-26s%s\n", "68000 emulator:", "Quillomark CPU desk (cpu@quillomark.example)");
  printf("%-26s%s\n", "Z80 emulator:", "Quillomark sound desk (sound@quillomark.example)");
  printf("%-26s%s\n", "AY-3-8910 emulator:", "Quillomark sound desk (sound@quillomark.example)");
  printf("%-26s%s\n", "AY emu updated by:", "Quillomark maintainers (maint@quillomark.example)");
  printf("\n");
}

void parseOptions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (strcmp(argv[i], "-640") == 0)
      frameLoopState.wideMode = true;
}

void describeFolderFailure(const char* path, int error, char* message, int messageSize) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored))
    snprintf(message, size_t(messageSize), "cannot enter the folder %s: %s", path, strerror(error));
  else
    snprintf(message, size_t(messageSize), "%s is not a folder: %s", path, strerror(error));
}

void endRun(bool displayLost) {
  const int code = finishRun(displayLost);
  if (gdbStub.link.ended)
    gdbStub.link.ended(code);
  if (displayLost) {
    fflush(nullptr);
    _Exit(code);
  }
  exit(code);
}

// The ROM set has been read from the working directory. When the user may not write there (an
// installed set), the run's own files (keys.bin, dump.bin, bitmaps, states) go to the user's folder
// for the set, named after the set's folder, which becomes the working directory; said once.
static void enterRunFolder() {
  if (platformFolderWritable("."))
    return;
  std::error_code error;
  const std::filesystem::path romFolder = std::filesystem::current_path(error);
  std::string setName = romFolder.filename().string();
  if (setName.empty())
    setName = "quillomark"; // the root folder has no name of its own
  char runFolder[FOLDER_MESSAGE_SIZE];
  if (!platformUserRunFolder(setName.c_str(), runFolder, sizeof runFolder) || !platformEnterFolder(runFolder))
    printf("%s is not writable, and no folder for the run's files could be made in the user's: %s\n",
           romFolder.string().c_str(), strerror(errno));
  else
    printf("Writing the run's files to %s: %s is not writable\n", runFolder, romFolder.string().c_str());
}

// A start-up step failed: its message, then the exit every start-up failure has.
[[noreturn]] static void failStart(const char* message) {
  printf("%s\n", message);
  fflush(stdout);
  exit(EXIT_CODE_END);
}

void runQuillomark(int argc, char** argv) {
  platformSetEndRoutine(endRun);
  printBanner();
  parseOptions(argc, argv);
  detectJoystick();
  char message[CORE_MESSAGE_SIZE];
  printf("Building CPU table...\n");
  if (!buildCpuTables(message, sizeof message) || !loadRomSetFiles(message, sizeof message))
    failStart(message);
  resetCpu();
  printf("Building color table.\n");
  if (!loadPaletteFile(message, sizeof message))
    failStart(message);
  enterRunFolder();
  if (!initDisplay(windowProc, message, sizeof message))
    failStart(message);
  watchEndSignals();
  applyPendingState(); // a state asked for at start (quillomark-headless --load-state)
  runFrameLoop();
  endRun(false);
}
