// quillomark-headless: the program's start-up and frame loop on the headless
// backend, with scripted input, a frame limit, picture digests and statistics.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "app/gdb_server.h"
#include "core/core.h"
#include "app/headless_options.h"
#include "debug/debugger.h"
#include "driver/frame_loop.h"
#include "debug/symbols.h"
#include "app/program.h"
#include "host/input_log.h"
#include "host/run_records.h"
#include "driver/program_loop.h"
#include "host/steady_clock.h"
#include "host/run_end.h"
#include "host/state_files.h"
#include "platform/headless/headless.h"
#include "video/display.h"

static void printStats() {
  if (programLoop.loopStartSeconds == 0)
    return; // start-up failed: the loop never ran
  const double seconds = steadySeconds() - programLoop.loopStartSeconds;
  const double cpu = cpuSeconds() - programLoop.loopStartCpuSeconds;
  const unsigned long long instructions = frameLoopState.instructionCount;
  // Wall-clock seconds and MIPS as ever; then per second of processor time, which a busy machine
  // does not lower.
  fprintf(stderr,
          "passes: %u, instructions: %llu, seconds: %.3f, MIPS: %.1f, CPU seconds: %.3f, "
          "MIPS per CPU second: %.1f\n",
          frameLoopState.passCount, instructions, seconds, seconds > 0 ? instructions / seconds / 1e6 : 0.0, cpu,
          cpu > 0 ? instructions / cpu / 1e6 : 0.0);
}

// Why the run could not happen in folder (an errno value), 0 when it can be entered.
static int folderError(const char* folder) {
  struct stat status;
  if (stat(folder, &status) != 0)
    return errno;
  if (!S_ISDIR(status.st_mode))
    return ENOTDIR;
  return access(folder, X_OK) == 0 ? 0 : errno;
}

int main(int argc, char** argv) {
  HeadlessOptions options;
  char message[FOLDER_MESSAGE_SIZE];
  if (!parseHeadlessOptions(argc, argv, &options, message, sizeof message)) {
    fprintf(stderr, "quillomark-headless: %s\n", message);
    return EXIT_CODE_USAGE;
  }
  if (options.info != INFO_NONE) {
    printProgramInfo(options.info, "quillomark-headless", HEADLESS_USAGE);
    return EXIT_CODE_HELP;
  }
  resetAllRecords();
  headlessReset();
  coreHoldShortTaps(false); // each scripted key lands on the pass its script names
  if (options.keysPath && !loadKeyScript(options.keysPath, message, sizeof message)) {
    fprintf(stderr, "quillomark-headless: %s\n", message);
    return EXIT_CODE_USAGE;
  }
  // Files read whole must be regular files: a device or a pipe may never end.
  const struct {
    const char* what;
    const char* path;
  } wholeFiles[] = {{"input log", options.replayPath}, {"save state", options.loadStatePath}};
  for (const auto& input : wholeFiles)
    if (input.path && !checkRegularFile(input.what, input.path, message, sizeof message)) {
      fprintf(stderr, "quillomark-headless: %s\n", message);
      return EXIT_CODE_USAGE;
    }
  // The log is read whole before keys.bin is opened, which empties it when it is the log replayed.
  if (options.replayPath && !loadInputReplay(options.replayPath)) {
    fprintf(stderr, "quillomark-headless: cannot read input log %s: %s\n", options.replayPath, strerror(errno));
    return EXIT_CODE_USAGE;
  }
  // The folder is checked before any output is opened, so that a refusal leaves earlier files alone.
  if (const int error = options.folder ? folderError(options.folder) : 0) {
    describeFolderFailure(options.folder, error, message, sizeof message);
    fprintf(stderr, "quillomark-headless: %s\n", message);
    return EXIT_CODE_USAGE;
  }
  if (options.digestsPath) {
    headlessPlatform.digestFile = fopen(options.digestsPath, "ab");
    headlessPlatform.digestPath = options.digestsPath;
    if (!headlessPlatform.digestFile) {
      fprintf(stderr, "quillomark-headless: cannot open %s for writing\n", options.digestsPath);
      return EXIT_CODE_USAGE;
    }
  }
  // A state to start from is read and checked now, before anything starts; it is applied after start-up.
  if (options.loadStatePath) {
    const StateLoadResult result = readStateFile(options.loadStatePath, stateRequests.pendingLoad);
    if (result == STATE_MISSING) {
      fprintf(stderr, "quillomark-headless: cannot read save state %s: %s\n", options.loadStatePath, strerror(errno));
      return EXIT_CODE_USAGE;
    }
    if (result != STATE_LOADED) {
      fprintf(stderr, "quillomark-headless: %s: %s\n", stateLoadText(result), options.loadStatePath);
      return EXIT_CODE_USAGE;
    }
  }
  if (options.saveStatePath) {
    // Made absolute now, so that it stays relative to the start directory whatever folder the run is in.
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(options.saveStatePath, error);
    stateRequests.savePath = error ? options.saveStatePath : path.string();
    stateRequests.savePass = options.saveStatePass;
  }
  if (options.tracePath && !startTrace(options.tracePath, options.traceFrom, options.traceLimit)) {
    fprintf(stderr, "quillomark-headless: cannot write the trace %s: %s\n", options.tracePath, strerror(errno));
    return EXIT_CODE_USAGE;
  }
  if (options.soundLogPath && !startSoundLog(options.soundLogPath)) {
    fprintf(stderr, "quillomark-headless: cannot write the sound log %s: %s\n", options.soundLogPath,
            strerror(errno));
    return EXIT_CODE_USAGE;
  }
  programLoop.exitOnHang = options.exitOnHang;
  if (options.symbolsPath && !loadSymbols(options.symbolsPath, message, sizeof message)) {
    fprintf(stderr, "quillomark-headless: %s\n", message);
    return EXIT_CODE_USAGE;
  }
  for (uint32_t address : options.breakpoints)
    addBreakpoint(address);
  for (const char* name : options.breakNames) {
    uint32_t address = 0;
    if (!findSymbol(name, &address)) {
      fprintf(stderr, "quillomark-headless: --break %s: %s\n", name,
              options.symbolsPath ? "no function of that name in the symbols" : "a function name needs --symbols ELF");
      return EXIT_CODE_USAGE;
    }
    addBreakpoint(address);
  }
  if (options.gdbWhere && !startGdbServer(options.gdbWhere, message, sizeof message)) {
    fprintf(stderr, "quillomark-headless: %s\n", message);
    return EXIT_CODE_USAGE;
  }
  // Every path of an option has been opened or read: the run itself happens in its folder.
  if (options.folder && !platformEnterFolder(options.folder)) {
    describeFolderFailure(options.folder, errno, message, sizeof message);
    fprintf(stderr, "quillomark-headless: %s\n", message);
    return EXIT_CODE_USAGE;
  }
  headlessPlatform.frameLimit = options.frames;
  if (options.stats) {
    programLoop.countInstructions = true;
    atexit(printStats);
  }
  char program[] = "quillomark-headless";
  char wide[] = "-640";
  char* coreArgs[] = {program, wide, nullptr};
  runQuillomark(options.wide ? 2 : 1, coreArgs, nullptr);
}
