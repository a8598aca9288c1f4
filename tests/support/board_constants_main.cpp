// Writes the numbers and names the script tests check files against, taken from the
// program's headers so that the scripts repeat none of them:
//   quillomark-board-constants SHELL_FILE CMAKE_FILE
// SHELL_FILE gets NAME=VALUE lines for bash's `source`, CMAKE_FILE set(NAME VALUE) lines
// for include(). ROM_SET_FILES lists the six ROM files and pal.bmp.
#include <cstdio>
#include <string>

#include "driver/board.h"
#include "driver/memory.h"
#include "driver/rom_loader.h"
#include "host/input_log.h"
#include "video/palette.h"
#include "video/screenshot.h"

namespace {

struct Constant {
  const char* name;
  unsigned long value;
};

const Constant CONSTANTS[] = {
    {"DUMP_FILE_SIZE", DUMP_FILE_SIZE},
    {"MEMORY_SIZE", MEMORY_SIZE},
    {"PLAYER_INPUTS_ADDRESS", PLAYER_INPUTS_ADDRESS},
    {"SWITCH_INPUTS_ADDRESS", SWITCH_INPUTS_ADDRESS},
    {"SOUND_COMMAND_PORT", SOUND_COMMAND_PORT},
    {"BITMAP_FILE_SIZE", BITMAP_FILE_SIZE},
    {"BITMAP_PIXEL_OFFSET", BITMAP_PIXEL_OFFSET},
};

// The ROM files in load order, each once, then the palette file.
std::string romSetFiles() {
  std::string files;
  for (const RomLoad& load : ROM_LOADS)
    if (files.find(load.fileName) == std::string::npos)
      files += std::string(load.fileName) + " ";
  return files + PALETTE_FILE;
}

bool writeConstants(const char* path, const char* numberFormat, const char* listFormat) {
  FILE* file = fopen(path, "w");
  if (!file)
    return false;
  for (const Constant& c : CONSTANTS)
    fprintf(file, numberFormat, c.name, c.value);
  fprintf(file, listFormat, "ROM_SET_FILES", romSetFiles().c_str());
  return fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s SHELL_FILE CMAKE_FILE\n", argv[0]);
    return 2;
  }
  const bool ok = writeConstants(argv[1], "%s=%lu\n", "%s=(%s)\n") &&
                  writeConstants(argv[2], "set(%s %lu)\n", "set(%s %s)\n");
  if (!ok) {
    perror("quillomark-board-constants");
    return 1;
  }
  return 0;
}
