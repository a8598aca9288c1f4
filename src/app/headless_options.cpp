#include "app/headless_options.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/install_folders.h"
#include "debug/debugger.h"
#include "platform/headless/headless.h"

const char HEADLESS_USAGE[] =
    "usage: quillomark-headless [--frames N] [--keys FILE] [--replay FILE] [--digests FILE] [--stats] [-640]\n"
    "                           [--load-state FILE] [--save-state N FILE] [--trace FILE]\n"
    "                           [--trace-from P] [--trace-limit N] [--break ADDRESS|FUNCTION]...\n"
    "                           [--exit-on-hang] [--sound-log FILE] [--symbols ELF]\n"
    "                           [--gdb [ADDRESS:]PORT] [FOLDER]\n"
    "       quillomark-headless --help | --version\n"
    "Runs the ROM set and pal.bmp of FOLDER (default: the working directory) without a window; writes\n"
    "keys.bin there as it runs and dump.bin when it ends. Paths given to options stay relative to the\n"
    "directory the program was started in.\n" RUN_FOLDER_USAGE_TEXT
    "  --frames N      ends the run once the Nth frame pass has been presented\n"
    "  --keys FILE     key script: lines 'PASS down KEY', 'PASS up KEY' or 'PASS activate 0|1';\n"
    "                  KEY is a name (LEFT, F12, A, 7, ...; any case) or a code (37, 0x25); # comments\n"
    "  --replay FILE   sets the input bytes of each pass from a recorded keys.bin (read whole first)\n"
    "  --digests FILE  appends the pass number and a 64-bit digest of each presented picture\n"
    "  --load-state FILE    starts from a save state: read at once, applied after start-up, before pass 1\n"
    "  --save-state N FILE  writes a save state once pass N has been presented\n"
    "  --trace FILE    writes one line per instruction run (pass, PC, instruction, flags after it) and\n"
    "                  one per exception taken (vector, handler)\n"
    "  --trace-from P  the first pass traced (default 1; 0 is start-up, before the first frame)\n"
    "  --trace-limit N instructions written at most (default 1000000)\n"
    "  --break ADDRESS ends the run when the PC first reaches ADDRESS (repeatable): prints the pass,\n"
    "                  the registers and the status register, then ends as a window close does;\n"
    "                  a FUNCTION name takes its address from --symbols\n"
    "  --symbols ELF   names code addresses function+offset in the trace and the reports, from the\n"
    "                  symbol table of the program's ELF file\n"
    "  --gdb PORT      waits for gdb (gdb-multiarch: target remote :PORT) on 127.0.0.1:PORT before the\n"
    "                  first instruction and serves it; 0 picks a free port; ADDRESS:PORT listens on\n"
    "                  another address (gdb there reads and writes all memory)\n"
    "  --exit-on-hang  after the hang report (no frame for 1 s), ends the run in order with exit code 5\n"
    "  --sound-log FILE  writes 'PASS BYTE' (hexadecimal) for every sound command, PASS the first pass\n"
    "                  after it was queued\n"
    "  --stats         prints passes, instructions, seconds and MIPS to standard error at the end\n"
    "  -640            the 640x480 mode\n"
    "  --help          prints this text and exits\n"
    "  --version       prints the version and exits\n" PROGRAM_EXIT_CODES_TEXT;

namespace {
// Options that take one number.
struct NumberOption {
  const char* name;
  uint32_t HeadlessOptions::*field;
  uint32_t least; // smallest value taken
  const char* wanted;
};
constexpr NumberOption NUMBER_OPTIONS[] = {
    {"--frames", &HeadlessOptions::frames, 1, "a positive number"},
    {"--trace-from", &HeadlessOptions::traceFrom, 0, "a pass number"},
    {"--trace-limit", &HeadlessOptions::traceLimit, 1, "a positive number"},
};
// Options that take one file name.
struct PathOption {
  const char* name;
  const char* HeadlessOptions::*field;
};
constexpr PathOption PATH_OPTIONS[] = {
    {"--keys", &HeadlessOptions::keysPath},         {"--digests", &HeadlessOptions::digestsPath},
    {"--replay", &HeadlessOptions::replayPath},     {"--load-state", &HeadlessOptions::loadStatePath},
    {"--trace", &HeadlessOptions::tracePath},       {"--sound-log", &HeadlessOptions::soundLogPath},
    {"--symbols", &HeadlessOptions::symbolsPath},
};
// The table's entry for arg, or null.
template <typename Option, size_t N> const Option* findOption(const Option (&table)[N], const char* arg) {
  for (const Option& option : table)
    if (strcmp(arg, option.name) == 0)
      return &option;
  return nullptr;
}
} // namespace

bool parseHeadlessOptions(int argc, char** argv, HeadlessOptions* options, char* message, int messageSize) {
  *options = HeadlessOptions{};
  options->traceFrom = DEFAULT_TRACE_FROM;
  options->traceLimit = uint32_t(DEFAULT_TRACE_LIMIT);
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    options->info = programInfoAsked(arg);
    if (options->info != INFO_NONE)
      return true;
    if (strcmp(arg, "--stats") == 0) {
      options->stats = true;
      continue;
    }
    if (strcmp(arg, "--exit-on-hang") == 0) {
      options->exitOnHang = true;
      continue;
    }
    if (strcmp(arg, "-640") == 0) {
      options->wide = true;
      continue;
    }
    if (const NumberOption* number = findOption(NUMBER_OPTIONS, arg)) {
      uint32_t parsed = 0;
      if (!value || !parseWholeNumber(value, &parsed) || parsed < number->least) {
        snprintf(message, size_t(messageSize), "%s needs %s", arg, number->wanted);
        return false;
      }
      options->*number->field = parsed;
      ++i;
      continue;
    }
    if (strcmp(arg, "--break") == 0) {
      uint32_t address = 0;
      const bool named = value && (isalpha(uint8_t(value[0])) || value[0] == '_');
      if (!value || (!named && !parseWholeNumber(value, &address))) {
        snprintf(message, size_t(messageSize), "--break needs an address (decimal or 0x hexadecimal) or a function name");
        return false;
      }
      if (named)
        options->breakNames.push_back(value);
      else
        options->breakpoints.push_back(address);
      ++i;
      continue;
    }
    if (strcmp(arg, "--gdb") == 0) {
      if (!value) {
        snprintf(message, size_t(messageSize), "--gdb needs a port or ADDRESS:PORT");
        return false;
      }
      options->gdbWhere = value;
      ++i;
      continue;
    }
    if (strcmp(arg, "--save-state") == 0) {
      if (options->saveStatePass != 0) {
        snprintf(message, size_t(messageSize), "--save-state is given once: a run writes one state");
        return false;
      }
      if (i + 2 >= argc || !parseWholeNumber(value, &options->saveStatePass) || options->saveStatePass == 0) {
        snprintf(message, size_t(messageSize), "--save-state needs a positive pass number and a file name");
        return false;
      }
      options->saveStatePath = argv[i + 2];
      i += 2;
      continue;
    }
    if (const PathOption* path = findOption(PATH_OPTIONS, arg)) {
      if (!value) {
        snprintf(message, size_t(messageSize), "%s needs a file name", arg);
        return false;
      }
      options->*path->field = value;
      ++i;
      continue;
    }
    if (arg[0] == '-') {
      snprintf(message, size_t(messageSize), "unknown option %s", arg);
      return false;
    }
    if (options->folder) {
      snprintf(message, size_t(messageSize), "unexpected argument %s (the folder is %s)", arg, options->folder);
      return false;
    }
    options->folder = arg;
  }
  if (options->frames && options->saveStatePass > options->frames) {
    snprintf(message, size_t(messageSize), "--save-state %u comes after the last pass (--frames %u)",
             unsigned(options->saveStatePass), unsigned(options->frames));
    return false;
  }
  return true;
}
