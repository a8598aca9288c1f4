// quillomark-inspect [--pictures FOLDER] [--palette FILE] FILE: what the video hardware holds in a
// dump.bin or a save state, as text and pictures, and a pal.bmp that shows a program's colours exactly.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/program_info.h"
#include "tool_failure.h"
#include "driver/board.h"
#include "files/file_read.h"
#include "driver/memory.h"
#include "host/input_log.h"
#include "host/run_records.h"
#include "host/state_files.h"
#include "driver/warnings.h"
#include "video/bitmap_file.h"
#include "video/frame_store.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/sprites.h"

namespace {

const char PROGRAM[] = "quillomark-inspect";
const char USAGE[] =
    "usage: quillomark-inspect [--pictures FOLDER] [--palette FILE] DUMP-OR-STATE\n"
    "       quillomark-inspect --help | --version\n"
    "Reads a dump.bin or a save state (state.qms) and prints what the video hardware holds: the\n"
    "sprite entries in scan order (fields decoded, and for an entry that is not drawn, why), both\n"
    "layers' scroll values and tile maps, and palette RAM.\n"
    "  --pictures FOLDER  also writes, as 24-bit bitmaps of the board's colours: palette.bmp (the 2048\n"
    "                     entries, a bank a row), layer0.bmp and layer1.bmp (each whole 512x256 layer\n"
    "                     alone, unscrolled), sprites.bmp (the sprites alone on the 256x256 working\n"
    "                     frame) and tiles.bmp (character RAM as 2048 tiles in greys)\n"
    "  --palette FILE     writes a pal.bmp holding the colours palette RAM uses, chosen so that the\n"
    "                     emulator's colour matching shows each of them exactly\n"
    "  --help             prints this text and exits\n"
    "  --version          prints the version and exits\n"
    "Exit codes: 0 done, help or version; 1 a file could not be written; 2 a usage error or a file\n"
    "that is neither a dump nor a state.\n";
constexpr int EXIT_WRITE = 1;
constexpr int EXIT_USAGE = 2;

constexpr int PALETTE_ENTRIES = PEN_LOOKUP_SIZE;
constexpr int PENS_PER_BANK = 16;
constexpr int LAYER_WIDTH = LAYER_COLUMNS * 8;
constexpr int LAYER_HEIGHT = LAYER_ROWS * 8;
constexpr int TILE_COUNT = 2048;
constexpr int SWATCH = 8;           // pixels a side of one palette entry in palette.bmp
constexpr int GREY_STEP = 17;       // pen n shows as grey 17n in tiles.bmp
constexpr uint16_t COLOUR_MASK = 0x7FFF; // bit 15 of a colour word is ignored


// The colour word of palette entry n.
uint16_t colourWord(int n) {
  return uint16_t(machineMemory[PALETTE_RAM + 4 * n + 1] << 8 | machineMemory[PALETTE_RAM + 4 * n + 3]);
}

// A component of a colour word (0: red, 1: green, 2: blue) as 0..31.
int component(uint16_t word, int which) { return word >> (5 * which) & 31; }

// A 5-bit component widened to 8 bits for the pictures.
uint8_t widened(int c) { return uint8_t(c << 3 | c >> 2); }

// Lays the file into the machine: a dump's image, or every part of a state.
void loadFile(const char* path) {
  struct stat status;
  if (stat(path, &status) != 0)
    failTool(PROGRAM, EXIT_USAGE, "cannot read %s: %s", path, strerror(errno));
  if (!S_ISREG(status.st_mode))
    failTool(PROGRAM, EXIT_USAGE, "%s is not a regular file", path);
  machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  if (!machineMemory)
    failTool(PROGRAM, EXIT_USAGE, "out of memory");
  resetAllRecords();
  if (uint64_t(status.st_size) == DUMP_FILE_SIZE) {
    std::vector<uint8_t> bytes;
    if (!readRegularFile(path, DUMP_FILE_SIZE, bytes) || bytes.size() != DUMP_FILE_SIZE)
      failTool(PROGRAM, EXIT_USAGE, "cannot read %s: %s", path, strerror(errno));
    memcpy(machineMemory, bytes.data(), MEMORY_SIZE);
    return;
  }
  const StateLoadResult result = loadMachineState(path);
  if (result != STATE_LOADED)
    failTool(PROGRAM, EXIT_USAGE, "%s is neither a dump.bin (%u bytes) nor a save state: %s", path, DUMP_FILE_SIZE, stateLoadText(result));
}

void printSprites() {
  printf("Sprites in scan order (entries whose byte 1 is their scan index):\n");
  printf("scan address  x   y   w x h  shown   zoom pattern bank flip verdict\n");
  int others = 0;
  for (int i = 0; i < SPRITE_COUNT; ++i) {
    const uint32_t address = spriteEntryAddress(i);
    const uint8_t* e = machineMemory + address;
    const SpriteVerdict verdict = spriteVerdict(e, i);
    if (verdict == SPRITE_NOT_ITS_INDEX) {
      ++others;
      continue;
    }
    const int pattern = (e[9] >> 6) << 8 | e[7];
    char size[16], shown[16];
    if ((e[3] & 0x38) == UNKNOWN_SIZE_CODE)
      snprintf(size, sizeof size, "none");
    else
      snprintf(size, sizeof size, "%dx%d", spriteWidth(e), spriteHeight(e));
    // The size a drawn entry covers on the screen: the pattern's, or as the zoom scales it.
    if (verdict == SPRITE_DRAWN)
      snprintf(shown, sizeof shown, "%dx%d", spriteShownWidth(e), spriteShownHeight(e));
    else
      snprintf(shown, sizeof shown, "-");
    printf("%4d %06x %3d %3d %-6s %-7s %02x   %4d    %2d   %c%c   %s\n", i, address, spriteX(e), e[13], size, shown, e[5],
           pattern, (e[9] >> 1) & 15, (e[3] & 1) ? 'h' : '-', (e[9] & 0x20) ? 'v' : '-', SPRITE_VERDICT_NAMES[verdict]);
  }
  printf("%d other entries skipped: byte 1 is not their scan index\n\n", others);
}

void printLayers() {
  printf("Layer 0 X scroll by frame line (first line: scroll):");
  int previous = -1;
  for (int line = 0; line < FRAME_LINES; ++line)
    if (layer0ScrollX(line) != previous) {
      previous = layer0ScrollX(line);
      printf(" %d:%d", line, previous);
    }
  printf("\nLayer 0 Y scroll: %d\nLayer 1 X scroll: %d, Y scroll: %d\n\n", layer0ScrollY(), layer1ScrollX(),
         layer1ScrollY());
  const uint32_t maps[] = {LAYER0_MAP, LAYER1_MAP};
  for (int layer = 0; layer < 2; ++layer) {
    printf("Layer %d map (a cell: tile number, then its bank after a colon; p priority, v/h flips):\n", layer);
    for (int row = 0; row < LAYER_ROWS; ++row) {
      printf("%02d", row);
      for (int column = 0; column < LAYER_COLUMNS; ++column) {
        const uint32_t at = maps[layer] + 2 * uint32_t(row * LAYER_COLUMNS + column);
        const uint8_t high = machineMemory[at], low = machineMemory[at + 1];
        const uint8_t attribute = machineMemory[at + ATTRIBUTE_OFFSET + 1];
        printf(" %03x:%02x%c%c%c", (high & 7) << 8 | low, attribute & 0x7F, (high & 0x40) ? 'p' : '-',
               (high & 0x08) ? 'v' : '-', (attribute & 0x80) ? 'h' : '-');
      }
      printf("\n");
    }
    printf("\n");
  }
}

void printPalette() {
  printf("Palette RAM colour words (bits 14-10 blue, 9-5 green, 4-0 red), a bank a line:\n");
  for (int bank = 0; bank < PALETTE_ENTRIES / PENS_PER_BANK; ++bank) {
    printf("%03d", bank);
    for (int pen = 0; pen < PENS_PER_BANK; ++pen)
      printf(" %04x", colourWord(bank * PENS_PER_BANK + pen));
    printf("\n");
  }
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  bool ok = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = file && fclose(file) == 0 && ok;
  if (!ok)
    fprintf(stderr, "%s: cannot write %s: %s\n", PROGRAM, path.c_str(), strerror(errno));
  return ok;
}

// An RGB picture being drawn.
struct Picture {
  int width, height;
  std::vector<uint8_t> rgb;
};

Picture blankPicture(int width, int height) { return Picture{width, height, std::vector<uint8_t>(size_t(width * height * 3))}; }

void putEntry(Picture& p, int x, int y, int entry) {
  const uint16_t word = colourWord(entry);
  uint8_t* pixel = &p.rgb[size_t(3 * (y * p.width + x))];
  for (int c = 0; c < 3; ++c)
    pixel[c] = widened(component(word, c));
}

bool writePicture(const std::string& folder, const char* name, const Picture& p) {
  return writeFile(folder + "/" + name, bitmapFile(p.width, p.height, p.rgb.data(), nullptr));
}

// Each layer alone as its map and character RAM hold it now; pen 0 shows entry 0, the backdrop.
Picture layerPicture(uint32_t map) {
  static LayerBitmap bitmap;
  static TileCellCache cache;
  memset(&cache, 0xFF, sizeof cache); // every cell decoded
  refreshLayerBitmap(map, bitmap, cache);
  Picture p = blankPicture(LAYER_WIDTH, LAYER_HEIGHT);
  for (int y = 0; y < LAYER_HEIGHT; ++y)
    for (int x = 0; x < LAYER_WIDTH; ++x) {
      const int value = bitmap.pixels[y][x];
      putEntry(p, x, y, (value & 15) ? value & (PALETTE_ENTRIES - 1) : 0);
    }
  return p;
}

// The sprites drawn alone, as the frame draws them, onto the working frame; uncovered pixels show
// entry 0. Sprites use banks 0-15, so a pen map of entry numbers fits the 8-bit frame.
Picture spritePicture() {
  for (int i = 0; i < PEN_LOOKUP_SIZE; ++i)
    colourTables.penLookup[i] = uint8_t(i);
  memset(&frameStore, 0, sizeof frameStore);
  const uint32_t zoomed = spriteState.zoomedSpriteCount;
  drawSprites();
  spriteState.zoomedSpriteCount = zoomed;
  Picture p = blankPicture(FRAME_WIDTH, FRAME_LINES);
  for (int y = 0; y < FRAME_LINES; ++y)
    for (int x = 0; x < FRAME_WIDTH; ++x)
      putEntry(p, x, y, frameLine(y)[x]);
  return p;
}

Picture palettePicture() {
  Picture p = blankPicture(PENS_PER_BANK * SWATCH * 8, PALETTE_ENTRIES / PENS_PER_BANK / 8 * SWATCH);
  const int perRow = p.width / SWATCH;
  for (int n = 0; n < PALETTE_ENTRIES; ++n)
    for (int dy = 0; dy < SWATCH; ++dy)
      for (int dx = 0; dx < SWATCH; ++dx)
        putEntry(p, n % perRow * SWATCH + dx, n / perRow * SWATCH + dy, n);
  return p;
}

Picture tilePicture() {
  constexpr int ACROSS = 64;
  Picture p = blankPicture(ACROSS * 8, TILE_COUNT / ACROSS * 8);
  for (int t = 0; t < TILE_COUNT; ++t)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const uint8_t byte = machineMemory[CHARACTER_RAM + 32 * t + 4 * y + x / 2];
        const int pen = x & 1 ? byte & 15 : byte >> 4;
        uint8_t* pixel = &p.rgb[size_t(3 * ((t / ACROSS * 8 + y) * p.width + t % ACROSS * 8 + x))];
        pixel[0] = pixel[1] = pixel[2] = uint8_t(pen * GREY_STEP);
      }
  return p;
}

bool writePictures(const std::string& folder) {
  if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    fprintf(stderr, "%s: cannot make %s: %s\n", PROGRAM, folder.c_str(), strerror(errno));
    return false;
  }
  bool ok = writePicture(folder, "palette.bmp", palettePicture());
  ok = writePicture(folder, "layer0.bmp", layerPicture(LAYER0_MAP)) && ok;
  ok = writePicture(folder, "layer1.bmp", layerPicture(LAYER1_MAP)) && ok;
  ok = writePicture(folder, "sprites.bmp", spritePicture()) && ok;
  return writePicture(folder, "tiles.bmp", tilePicture()) && ok;
}

// The pal.bmp value whose brightened match value comes nearest to a board component's c x 8.
uint8_t exactValue(int c) {
  int best = 0;
  for (int v = 1; v < 256; ++v)
    if (abs(matchValue(uint8_t(v)) - 8 * c) < abs(matchValue(uint8_t(best)) - 8 * c))
      best = v;
  return uint8_t(best);
}

// The colours palette RAM uses, each as the pal.bmp entry that matching maps it to exactly.
bool writePaletteFile(const char* path) {
  std::vector<uint16_t> words;
  for (int n = 0; n < PALETTE_ENTRIES; ++n)
    words.push_back(colourWord(n) & COLOUR_MASK);
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  if (words.size() > 256)
    fprintf(stderr, "%s: palette RAM uses %zu colours; pal.bmp holds the first 256 of them\n", PROGRAM, words.size());
  words.resize(std::min<size_t>(words.size(), 256));
  PaletteColour colours[256];
  for (int k = 0; k < 256; ++k) {
    // Entries left over repeat the first colour: ties go to the lowest entry, so they are never chosen.
    const uint16_t word = words[size_t(k) < words.size() ? size_t(k) : 0];
    colours[k] = PaletteColour{exactValue(component(word, 0)), exactValue(component(word, 1)),
                               exactValue(component(word, 2)), 0};
  }
  std::vector<uint8_t> indices(256);
  for (int k = 0; k < 256; ++k)
    indices[size_t(k)] = uint8_t(k);
  const int side = 16;
  printf("pal.bmp: %zu colours of palette RAM\n", words.size());
  return writeFile(path, bitmapFile(side, side, indices.data(), colours));
}

} // namespace

int main(int argc, char** argv) {
  if (const ProgramInfo info = findProgramInfo(argc, argv)) {
    printProgramInfo(info, PROGRAM, USAGE);
    return 0;
  }
  const char* pictures = nullptr;
  const char* palette = nullptr;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    const bool takesValue = strcmp(argv[i], "--pictures") == 0 || strcmp(argv[i], "--palette") == 0;
    if (takesValue && i + 1 >= argc)
      failTool(PROGRAM, EXIT_USAGE, "%s needs a name", argv[i]);
    if (strcmp(argv[i], "--pictures") == 0)
      pictures = argv[++i];
    else if (strcmp(argv[i], "--palette") == 0)
      palette = argv[++i];
    else if (argv[i][0] == '-')
      failTool(PROGRAM, EXIT_USAGE, "unknown option %s", argv[i]);
    else if (path)
      failTool(PROGRAM, EXIT_USAGE, "one file only (%s and %s)", path, argv[i]);
    else
      path = argv[i];
  }
  if (!path)
    failTool(PROGRAM, EXIT_USAGE, "no dump or state named (see --help)");
  loadFile(path);
  // Drawing the sprites alone repeats the frame's own console lines; the table has said it all.
  warningBudget.sink = [](const char*) {};
  printSprites();
  printLayers();
  printPalette();
  bool ok = !pictures || writePictures(pictures);
  ok = (!palette || writePaletteFile(palette)) && ok;
  return ok ? 0 : EXIT_WRITE;
}
