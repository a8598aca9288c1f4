#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/install_folders.h"

#include "debug/gdb_stub.h"
#include "driver/program_loop.h"
#include "driver/start_up.h"
#include "host/controls.h"
#include "host/on_screen.h"
#include "host/run_end.h"
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
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "-640") == 0)
      displayContext.wideMode = true;
    else if (strcmp(argv[i], "--window") == 0)
      displayContext.windowed = true;
    else if (strcmp(argv[i], "--full-screen") == 0)
      displayContext.windowed = false;
  }
}


bool environmentFlag(const char* name) {
  const char* value = getenv(name);
  return value && *value && strcmp(value, "0") != 0;
}

void describeStartFailure(const char* message, bool romSetFailed, const char* folder, const char* demoFolder,
                          char* text, int textSize) {
  std::string shown = message;
  if (romSetFailed) {
    shown = shown + "\n\nThe ROM set and pal.bmp were looked for in this folder:\n" + folder +
            "\n\nPut them there, or give their folder as an argument: quillomark FOLDER.";
    if (*demoFolder)
      shown = shown + "\nThe demo is installed in " + demoFolder + ".";
  }
  snprintf(text, size_t(textSize), "%s", shown.c_str());
}

void showStartFailure(const char* message, bool romSetFailed) {
  if (environmentFlag(NO_DIALOGS_VARIABLE) || platformHasTerminal())
    return;
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).string();
  static char text[FAILURE_TEXT_SIZE];
  describeStartFailure(message, romSetFailed, error ? "(unknown)" : folder.c_str(), INSTALLED_DEMO_FOLDER, text,
                       sizeof text);
  platformShowFailure(FAILURE_TITLE, text);
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
// The installed demo's folder is never written, whoever runs it (root writes anywhere), so that the
// package leaves it as it put it.
static bool isInstalledDemo() {
  std::error_code error;
  return *INSTALLED_DEMO_FOLDER && std::filesystem::equivalent(".", INSTALLED_DEMO_FOLDER, error) && !error;
}

static void enterRunFolder() {
  const bool installed = isInstalledDemo();
  if (!installed && platformFolderWritable("."))
    return;
  std::error_code error;
  const std::filesystem::path romFolder = std::filesystem::current_path(error);
  std::string setName = romFolder.filename().string();
  if (setName.empty())
    setName = "quillomark"; // the root folder has no name of its own
  char runFolder[FOLDER_MESSAGE_SIZE];
  const char* why = installed ? "holds the installed demo" : "is not writable";
  if (!platformUserRunFolder(setName.c_str(), runFolder, sizeof runFolder) || !platformEnterFolder(runFolder))
    printf("%s %s, and no folder for the run's files could be made in the user's: %s\n", romFolder.string().c_str(),
           why, strerror(errno));
  else
    printf("Writing the run's files to %s: %s %s\n", runFolder, romFolder.string().c_str(), why);
}

// The program's own step after the banner (null: none), and the greeting it returned.
static const char* (*afterBannerStep)() = nullptr;
static const char* greeting = nullptr;

static void bannerThenOwnStep() {
  printBanner();
  if (afterBannerStep)
    greeting = afterBannerStep();
}

// What the start-up takes from the program.
static const StartUpSteps PROGRAM_STEPS = {bannerThenOwnStep, parseOptions, enterRunFolder, showStartFailure, endRun};

bool startQuillomark(int argc, char** argv) { return startUp(argc, argv, PROGRAM_STEPS); }

void runQuillomark(int argc, char** argv, const char* (*afterBanner)()) {
  afterBannerStep = afterBanner;
  if (!startQuillomark(argc, argv))
    exit(EXIT_CODE_END);
  if (greeting)
    showMessage(greeting);
  if (hostControls.viewsAtStart)
    if (const char* failure = platformToggleViews())
      fprintf(stderr, "quillomark: --views not taken: %s (--window or F9 first)\n", failure);
  runFrameLoop();
  endRun(false);
}
