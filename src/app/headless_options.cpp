#include "app/headless_options.h"

#include <cstdio>
#include <cstring>

#include "platform/headless/headless.h"

const char HEADLESS_USAGE[] =
    "usage: quillomark-headless [--frames N] [--keys FILE] [--replay FILE] [--digests FILE] [--stats] [-640]\n"
    "                           [--load-state FILE] [--save-state N FILE]\n"
    "       quillomark-headless --help | --version\n"
    "Runs the ROM set and pal.bmp of the working directory without a window; writes keys.bin as it runs\n"
    "and dump.bin when it ends.\n"
    "  --frames N      ends the run once the Nth frame pass has been presented\n"
    "  --keys FILE     key script: lines 'PASS down KEY', 'PASS up KEY' or 'PASS activate 0|1';\n"
    "                  KEY is a name (LEFT, F12, A, 7, ...; any case) or a code (37, 0x25); # comments\n"
    "  --replay FILE   sets the input bytes of each pass from a recorded keys.bin (read whole first)\n"
    "  --digests FILE  appends the pass number and a 64-bit digest of each presented picture\n"
    "  --load-state FILE    starts from a save state: read at once, applied after start-up, before pass 1\n"
    "  --save-state N FILE  writes a save state once pass N has been presented\n"
    "  --stats         prints passes, instructions, seconds and MIPS to standard error at the end\n"
    "  -640            the 640x480 mode\n"
    "  --help          prints this text and exits\n"
    "  --version       prints the version and exits\n" PROGRAM_EXIT_CODES_TEXT;

bool parseHeadlessOptions(int argc, char** argv, HeadlessOptions* options, char* message, int messageSize) {
  *options = HeadlessOptions{};
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    const char** path = nullptr;
    options->info = programInfoAsked(arg);
    if (options->info != INFO_NONE)
      return true;
    if (strcmp(arg, "--stats") == 0) {
      options->stats = true;
      continue;
    }
    if (strcmp(arg, "-640") == 0) {
      options->wide = true;
      continue;
    }
    if (strcmp(arg, "--frames") == 0) {
      if (!value || !parseWholeNumber(value, &options->frames) || options->frames == 0) {
        snprintf(message, size_t(messageSize), "--frames needs a positive number");
        return false;
      }
      ++i;
      continue;
    }
    if (strcmp(arg, "--save-state") == 0) {
      if (i + 2 >= argc || !parseWholeNumber(value, &options->saveStatePass) || options->saveStatePass == 0) {
        snprintf(message, size_t(messageSize), "--save-state needs a positive pass number and a file name");
        return false;
      }
      options->saveStatePath = argv[i + 2];
      i += 2;
      continue;
    }
    if (strcmp(arg, "--keys") == 0)
      path = &options->keysPath;
    else if (strcmp(arg, "--digests") == 0)
      path = &options->digestsPath;
    else if (strcmp(arg, "--replay") == 0)
      path = &options->replayPath;
    else if (strcmp(arg, "--load-state") == 0)
      path = &options->loadStatePath;
    if (path) {
      if (!value) {
        snprintf(message, size_t(messageSize), "%s needs a file name", arg);
        return false;
      }
      *path = value;
      ++i;
      continue;
    }
    if (arg[0] == '-')
      snprintf(message, size_t(messageSize), "unknown option %s", arg);
    else
      snprintf(message, size_t(messageSize), "unexpected argument %s", arg);
    return false;
  }
  return true;
}
