// The browser's module: the embedding interface (host/core.h) as C functions the page calls. The
// page owns the loop, the pacing, the keys and the files; this side holds the ROM set's bytes, the
// picture as RGBA for a canvas, keys.bin and the state buffer.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "core/core.h"
#include "cpu68k/cpu_state.h"
#include "debug/symbols.h"
#include "driver/memory.h"

namespace {
constexpr int WEB_FILE_COUNT = ROM_FILE_COUNT + 1; // the ROM files, then pal.bmp
constexpr int PALETTE_INDEX = ROM_FILE_COUNT;
constexpr int PICTURE_PIXELS = CORE_PICTURE_WIDTH * CORE_PICTURE_HEIGHT;
constexpr int DIGEST_TEXT_SIZE = 17;               // 16 hexadecimal digits
constexpr size_t KEY_LOG_LIMIT = size_t(64) << 20; // bytes of keys.bin kept: 93 hours at 60 passes a second
constexpr size_t KEY_RECORD_SIZE = 2;
constexpr int BREAKPOINT_LIMIT = 16;
constexpr int MEMORY_VIEW_LIMIT = 4096; // bytes one memory view shows at most
// What webRunPass and webStepInstruction say: the pass still runs, ended a frame, stopped at a breakpoint.
constexpr int WEB_RUNNING = 0, WEB_FRAME_ENDED = 1, WEB_STOPPED = 2;
// The register numbers webSetRegister takes after D0-D7 and A0-A7.
constexpr int WEB_REGISTER_PC = 16, WEB_REGISTER_SR = 17;
// Fields of a sprite row in webViewSprites' table, and of the CPU in webViewCpu's.
constexpr int SPRITE_FIELDS = 13;
constexpr int CPU_FIELDS = 22;

constexpr std::array<const char*, WEB_FILE_COUNT> fileNameTable() {
  std::array<const char*, WEB_FILE_COUNT> names{};
  for (int i = 0; i < ROM_FILE_COUNT; ++i)
    names[size_t(i)] = ROM_FILE_NAMES[size_t(i)];
  names[PALETTE_INDEX] = PALETTE_FILE;
  return names;
}
constexpr std::array<const char*, WEB_FILE_COUNT> FILE_NAMES = fileNameTable();

struct WebFrontEnd {
  uint8_t fileBytes[WEB_FILE_COUNT][ROM_IMAGE_SIZE];
  int32_t fileSizes[WEB_FILE_COUNT];
  bool fileGiven[WEB_FILE_COUNT];
  bool loaded;                 // a whole set and its palette are running
  char message[CORE_MESSAGE_SIZE];
  uint32_t colours[256];       // host palette index -> RGBA as the canvas lays it out
  uint32_t picture[PICTURE_PIXELS];
  std::vector<uint8_t> keyLog; // keys.bin since the set was loaded
  std::vector<uint8_t> state;  // the last state saved, or room for one to load
  char digest[DIGEST_TEXT_SIZE];
};
WebFrontEnd web;

// The debug panel's record: its pictures as RGBA, its numbers, the breakpoints and the ELF's bytes.
struct WebPanel {
  uint32_t palette[VIEW_PALETTE_WIDTH * VIEW_PALETTE_HEIGHT];
  uint32_t sheet[VIEW_TILE_SHEET_WIDTH * VIEW_TILE_SHEET_HEIGHT];
  uint32_t maps[VIEW_LAYER_COUNT][VIEW_MAP_WIDTH * VIEW_MAP_HEIGHT];
  ViewLayer layers[VIEW_LAYER_COUNT];
  uint32_t shown[PICTURE_PIXELS];      // the picture with hidden parts left out, or as edited
  uint8_t indices[PICTURE_PIXELS];     // viewPicture's host indices before conversion
  int32_t sprites[SPRITE_COUNT * SPRITE_FIELDS];
  uint32_t sprite[VIEW_SPRITE_SIDE * VIEW_SPRITE_SIDE]; // one sprite's own picture
  uint32_t cpu[CPU_FIELDS];
  char instruction[DISASSEMBLY_TEXT_SIZE];
  uint8_t memory[MEMORY_VIEW_LIMIT];
  uint32_t breakpoints[BREAKPOINT_LIMIT];
  int breakpointCount;
  bool skipBreakpoint;                 // the next run starts past the breakpoint it stopped at
  bool edited;                         // memory or a register changed since the last frame end
  std::vector<uint8_t> elf;
  char text[SYMBOL_TEXT_SIZE];         // a name the page gives, or one it asks for
  uint32_t found;                      // the address webFindSymbol found
};
WebPanel panel;

static_assert(PALETTE_FILE_MINIMUM <= int(ROM_IMAGE_SIZE));

int fileLimit(int index) { return index == PALETTE_INDEX ? PALETTE_FILE_MINIMUM : int(ROM_IMAGE_SIZE); }

// A file given to the module, or null data when it was not.
const uint8_t* givenBytes(int index) { return web.fileGiven[index] ? web.fileBytes[index] : nullptr; }

void convertPicture() {
  const uint8_t* picture = corePicture();
  uint32_t* out = web.picture;
  for (int y = 0; y < CORE_PICTURE_HEIGHT; ++y, picture += CORE_PICTURE_PITCH)
    for (int x = 0; x < CORE_PICTURE_WIDTH; ++x)
      *out++ = web.colours[picture[x]];
}

// Host palette indices, width x height at pitch, into RGBA.
void convertIndices(const uint8_t* indices, int width, int height, int pitch, uint32_t* out) {
  for (int y = 0; y < height; ++y, indices += pitch)
    for (int x = 0; x < width; ++x)
      *out++ = web.colours[indices[x]];
}

// The watching loop's question before each instruction: a breakpoint at the PC stops the run.
bool atBreakpoint() {
  if (panel.skipBreakpoint) {
    panel.skipBreakpoint = false;
    return false;
  }
  const uint32_t pc = getPc();
  for (int i = 0; i < panel.breakpointCount; ++i)
    if (panel.breakpoints[i] == pc)
      return true;
  return false;
}

// The page's share of a pass that ended a frame: kept for rewind, converted, logged in keys.bin.
void recordPass() {
  coreKeepPass();
  convertPicture();
  panel.edited = false;
  if (web.keyLog.size() + KEY_RECORD_SIZE <= KEY_LOG_LIMIT) {
    uint8_t player, switches;
    coreInputBytes(&player, &switches);
    web.keyLog.push_back(player);
    web.keyLog.push_back(switches);
  }
}

// A frame end reached by slices: the rest of the pass as coreRunFrame does it, then the page's share.
void finishPass() {
  coreStepAutofire();
  coreCompose();
  coreInputs.atFrameEnd = false; // inputs given from now on wait for the next frame end
  recordPass();
}

void printWarning(const char* line) { puts(line); }

// Whether pal.bmp is too short: coreLoadPalette refuses it before anything changes, with its message.
bool paletteRefused() {
  const bool paletteShort = !web.fileGiven[PALETTE_INDEX] || web.fileSizes[PALETTE_INDEX] < PALETTE_FILE_MINIMUM;
  return paletteShort && !coreLoadPalette(givenBytes(PALETTE_INDEX), size_t(web.fileSizes[PALETTE_INDEX]),
                                          web.message, sizeof web.message);
}
} // namespace

extern "C" {

// Number of files a set is made of: the ROM files, then pal.bmp.
EMSCRIPTEN_KEEPALIVE int webFileCount() { return WEB_FILE_COUNT; }

// The name of file index, as the board's load table and the desktop's folder name it.
EMSCRIPTEN_KEEPALIVE const char* webFileName(int index) {
  return index >= 0 && index < WEB_FILE_COUNT ? FILE_NAMES[size_t(index)] : "";
}

// Bytes of file index that are read at most (the rest of a longer file is never looked at).
EMSCRIPTEN_KEEPALIVE int webFileLimit(int index) {
  return index >= 0 && index < WEB_FILE_COUNT ? fileLimit(index) : 0;
}

// Forgets every file given: each counts as missing until given again.
EMSCRIPTEN_KEEPALIVE void webClearFiles() {
  for (bool& given : web.fileGiven)
    given = false;
}

// Room for the first size bytes of file index (at most webFileLimit), which the page fills; null
// for an unknown index.
EMSCRIPTEN_KEEPALIVE uint8_t* webFileBuffer(int index, int size) {
  if (index < 0 || index >= WEB_FILE_COUNT || size < 0)
    return nullptr;
  web.fileGiven[index] = true;
  web.fileSizes[index] = size < fileLimit(index) ? size : fileLimit(index);
  return web.fileBytes[index];
}

// Starts the board afresh on the files given; false with the program's message (webMessage). A set
// the board would refuse never reaches it: the game that was running goes on as it was.
EMSCRIPTEN_KEEPALIVE bool webLoad() {
  CoreFile files[ROM_FILE_COUNT];
  for (int i = 0; i < ROM_FILE_COUNT; ++i)
    files[i] = CoreFile{FILE_NAMES[size_t(i)], givenBytes(i), size_t(web.fileSizes[i])};
  // Checked as the programs check them, ROM files then pal.bmp, before the board starts on them.
  if (!checkRomSet(files, ROM_FILE_COUNT, web.message, sizeof web.message) || paletteRefused())
    return false;
  coreSetWarningSink(printWarning);
  if (!coreLoadRomSet(files, ROM_FILE_COUNT, web.message, sizeof web.message))
    return false;
  web.loaded = coreLoadPalette(givenBytes(PALETTE_INDEX), size_t(web.fileSizes[PALETTE_INDEX]), web.message,
                               sizeof web.message);
  web.keyLog.clear();
  if (!web.loaded)
    return false;
  const PaletteColour* palette = corePalette();
  for (int k = 0; k < 256; ++k)
    web.colours[k] = palette[k].red | palette[k].green << 8 | palette[k].blue << 16 | 0xFFu << 24;
  convertPicture();
  web.message[0] = 0;
  panel.edited = false;
  return true;
}

// The message of the last failed load, or the result of the last state load.
EMSCRIPTEN_KEEPALIVE const char* webMessage() { return web.message; }

// Runs one pass: WEB_FRAME_ENDED when the program ended a frame (a new picture, one keys.bin
// record), WEB_STOPPED at a breakpoint (mid-frame: the next call goes on from there), WEB_RUNNING
// when it ran a whole budget without a frame end or nothing is loaded.
EMSCRIPTEN_KEEPALIVE int webRunPass() {
  if (!web.loaded)
    return WEB_RUNNING;
  if (!panel.breakpointCount) {
    panel.skipBreakpoint = false;
    if (coreRunFrame() != CORE_FRAME_ENDED)
      return WEB_RUNNING;
    recordPass();
    return WEB_FRAME_ENDED;
  }
  loopWatch.before = atBreakpoint;
  uint32_t left;
  const SliceEnd end = coreRunSlice(LOOP_WATCHING, CORE_FRAME_BUDGET, &left);
  panel.skipBreakpoint = end == SLICE_STOPPED;
  if (end == SLICE_FRAME_ENDED)
    finishPass();
  return end == SLICE_FRAME_ENDED ? WEB_FRAME_ENDED : end == SLICE_STOPPED ? WEB_STOPPED : WEB_RUNNING;
}

// One pass backwards while R is held: the board as it was a pass earlier, its picture; false when no
// older pass is kept (the picture stays).
EMSCRIPTEN_KEEPALIVE bool webRewindPass() {
  if (!web.loaded || !coreRewindPass())
    return false;
  convertPicture();
  panel.edited = false;
  return true;
}

// What R says when no older pass is kept.
EMSCRIPTEN_KEEPALIVE const char* webRewindEmptyText() { return REWIND_EMPTY_TEXT; }

// The picture of the last frame end: 256x240 RGBA pixels, rows 256 pixels apart.
EMSCRIPTEN_KEEPALIVE const uint32_t* webPicture() { return web.picture; }

// Passes since the set was loaded.
EMSCRIPTEN_KEEPALIVE uint32_t webPass() { return corePassCount(); }

// The program counter, for the page's hang note.
EMSCRIPTEN_KEEPALIVE uint32_t webProgramCounter() { return web.loaded ? corePc() : 0; }

// The headless program's digest of the last picture, as its --digests lines write it.
EMSCRIPTEN_KEEPALIVE const char* webDigest() {
  snprintf(web.digest, sizeof web.digest, "%016llx",
           static_cast<unsigned long long>(corePictureDigest()));
  return web.digest;
}

// Gives a key going down or up (a virtual-key code of key_codes.h) to the board at the next frame end.
EMSCRIPTEN_KEEPALIVE void webQueueKey(uint32_t keyCode, bool down) { coreQueueKey(keyCode, down); }

// The board's reset (F1).
EMSCRIPTEN_KEEPALIVE void webReset() { coreReset(); }

// keys.bin so far: the player and switch bytes of each pass.
EMSCRIPTEN_KEEPALIVE const uint8_t* webKeyLog() { return web.keyLog.data(); }
EMSCRIPTEN_KEEPALIVE int webKeyLogSize() { return int(web.keyLog.size()); }

// Bytes of a state.
EMSCRIPTEN_KEEPALIVE int webStateSize() { return int(coreStateSize()); }

// Saves the machine into the state buffer (webStateSize bytes) and returns it; null when nothing runs.
EMSCRIPTEN_KEEPALIVE const uint8_t* webSaveState() {
  web.state.resize(coreStateSize());
  return web.loaded && coreSaveState(web.state.data(), web.state.size()) ? web.state.data() : nullptr;
}

// Room for a state of size bytes, which the page fills before webLoadState.
EMSCRIPTEN_KEEPALIVE uint8_t* webStateBuffer(int size) {
  web.state.resize(size_t(size > 0 ? size : 0));
  return web.state.data();
}

// Loads the state buffer's bytes; true when it is running, with the load's one line in webMessage.
EMSCRIPTEN_KEEPALIVE bool webLoadState() {
  const StateLoadResult result = web.loaded ? coreLoadState(web.state.data(), web.state.size()) : STATE_MISSING;
  snprintf(web.message, sizeof web.message, "%s", stateLoadText(result));
  return result == STATE_LOADED;
}

// The debug panel ------------------------------------------------------------------------------

// Runs one instruction: WEB_FRAME_ENDED when it ended a frame (the pass finished as webRunPass
// finishes it), else WEB_RUNNING.
EMSCRIPTEN_KEEPALIVE int webStepInstruction() {
  if (!web.loaded)
    return WEB_RUNNING;
  uint32_t left;
  panel.skipBreakpoint = false; // past the instruction a breakpoint stopped at
  if (coreRunSlice(LOOP_PLAIN, 1, &left) != SLICE_FRAME_ENDED)
    return WEB_RUNNING;
  finishPass();
  return WEB_FRAME_ENDED;
}

// Sets (on) or clears a breakpoint at address; false when the list is full.
EMSCRIPTEN_KEEPALIVE bool webSetBreakpoint(uint32_t address, bool on) {
  int at = 0;
  while (at < panel.breakpointCount && panel.breakpoints[at] != address)
    ++at;
  if (!on && at < panel.breakpointCount)
    panel.breakpoints[at] = panel.breakpoints[--panel.breakpointCount];
  else if (on && at == panel.breakpointCount) {
    if (at == BREAKPOINT_LIMIT)
      return false;
    panel.breakpoints[panel.breakpointCount++] = address;
  }
  return true;
}

// The picture to show: the last frame as it is, or, when parts (ComposePart bits) leave some out
// or an edit was made since, the machine as it stands composed with those parts; RGBA as webPicture.
EMSCRIPTEN_KEEPALIVE const uint32_t* webShownPicture(unsigned parts) {
  if (!web.loaded || (parts == COMPOSE_ALL && !panel.edited))
    return web.picture;
  viewPicture(parts, panel.indices);
  convertIndices(panel.indices, VISIBLE_WIDTH, VISIBLE_HEIGHT, VISIBLE_WIDTH, panel.shown);
  return panel.shown;
}

// Palette RAM's swatches, VIEW_PALETTE_WIDTH x VIEW_PALETTE_HEIGHT RGBA.
EMSCRIPTEN_KEEPALIVE const uint32_t* webViewPalette() {
  static uint8_t swatches[VIEW_PALETTE_WIDTH * VIEW_PALETTE_HEIGHT];
  viewPalette(swatches, nullptr);
  convertIndices(swatches, VIEW_PALETTE_WIDTH, VIEW_PALETTE_HEIGHT, VIEW_PALETTE_WIDTH, panel.palette);
  return panel.palette;
}

// Character RAM through bank's pens, VIEW_TILE_SHEET_WIDTH x VIEW_TILE_SHEET_HEIGHT RGBA.
EMSCRIPTEN_KEEPALIVE const uint32_t* webViewTileSheet(int bank) {
  static uint8_t sheet[VIEW_TILE_SHEET_WIDTH * VIEW_TILE_SHEET_HEIGHT];
  viewTileSheet(bank, sheet);
  convertIndices(sheet, VIEW_TILE_SHEET_WIDTH, VIEW_TILE_SHEET_HEIGHT, VIEW_TILE_SHEET_WIDTH, panel.sheet);
  return panel.sheet;
}

// Layer's (0 or 1) tile map with its visible window and priority cells marked,
// VIEW_MAP_WIDTH x VIEW_MAP_HEIGHT RGBA; its cells kept for webMapCell.
EMSCRIPTEN_KEEPALIVE const uint32_t* webViewTileMap(int layer) {
  static uint8_t map[VIEW_MAP_WIDTH * VIEW_MAP_HEIGHT];
  layer = layer ? 1 : 0;
  viewTileMap(layer, map, true, viewMarkIndex(), &panel.layers[layer]);
  convertIndices(map, VIEW_MAP_WIDTH, VIEW_MAP_HEIGHT, VIEW_MAP_WIDTH, panel.maps[layer]);
  return panel.maps[layer];
}

// Cell n of layer as webViewTileMap last read it: tile in bits 0-10, bank 11-17, priority 18,
// horizontal flip 19, vertical flip 20.
EMSCRIPTEN_KEEPALIVE uint32_t webMapCell(int layer, int n) {
  if (n < 0 || n >= LAYER_CELLS)
    return 0;
  const ViewCell& c = panel.layers[layer ? 1 : 0].cells[n];
  return uint32_t(c.tile) | uint32_t(c.bank) << 11 | uint32_t(c.priority) << 18 | uint32_t(c.horizontalFlip) << 19 |
         uint32_t(c.verticalFlip) << 20;
}

// The sprite at scan index as the frame draws it, alone, VIEW_SPRITE_SIDE square RGBA.
EMSCRIPTEN_KEEPALIVE const uint32_t* webViewSpritePicture(int index) {
  static uint8_t sprite[VIEW_SPRITE_SIDE * VIEW_SPRITE_SIDE];
  viewSpritePicture(index & (SPRITE_COUNT - 1), sprite);
  convertIndices(sprite, VIEW_SPRITE_SIDE, VIEW_SPRITE_SIDE, VIEW_SPRITE_SIDE, panel.sprite);
  return panel.sprite;
}

// The 256 sprite entries in scan order, SPRITE_FIELDS numbers each: address, x, y, width, height,
// shown width, shown height, zoom, horizontal flip, vertical flip, bank, pattern, verdict.
EMSCRIPTEN_KEEPALIVE const int32_t* webViewSprites() {
  static ViewSprite sprites[SPRITE_COUNT];
  viewSprites(sprites);
  int32_t* out = panel.sprites;
  for (const ViewSprite& s : sprites) {
    const int32_t row[SPRITE_FIELDS] = {int32_t(s.address), s.x, s.y, s.width, s.height, s.shownWidth, s.shownHeight,
                                        s.zoom, s.horizontalFlip, s.verticalFlip, s.bank, s.pattern, s.verdict};
    out = std::copy(std::begin(row), std::end(row), out);
  }
  return panel.sprites;
}

// count bytes (at most MEMORY_VIEW_LIMIT) of the address space from address.
EMSCRIPTEN_KEEPALIVE const uint8_t* webViewMemory(uint32_t address, int count) {
  viewMemory(address, panel.memory, size_t(count < 0 ? 0 : count > MEMORY_VIEW_LIMIT ? MEMORY_VIEW_LIMIT : count));
  return panel.memory;
}

// The CPU, CPU_FIELDS numbers: D0-D7, A0-A7, USP, SSP, PC, SR, stopped, the bytes of the
// instruction at the PC; webCpuInstruction then holds that instruction.
EMSCRIPTEN_KEEPALIVE const uint32_t* webViewCpu() {
  if (!web.loaded)
    return panel.cpu;
  static ViewCpu cpu;
  viewCpu(&cpu);
  uint32_t* out = std::copy(std::begin(cpu.d), std::end(cpu.d), panel.cpu);
  out = std::copy(std::begin(cpu.a), std::end(cpu.a), out);
  const uint32_t rest[] = {cpu.usp, cpu.ssp, cpu.pc, cpu.sr, cpu.stopped, uint32_t(cpu.instructionBytes)};
  std::copy(std::begin(rest), std::end(rest), out);
  snprintf(panel.instruction, sizeof panel.instruction, "%s", cpu.instruction);
  return panel.cpu;
}

// The instruction at the PC as webViewCpu last read it.
EMSCRIPTEN_KEEPALIVE const char* webCpuInstruction() { return panel.instruction; }

// Writes a byte of the address space (an edit while paused); false outside the image.
EMSCRIPTEN_KEEPALIVE bool webPokeByte(uint32_t address, int value) {
  if (!web.loaded || (address & ADDRESS_MASK) >= MEMORY_SIZE)
    return false;
  machineMemory[address & ADDRESS_MASK] = uint8_t(value);
  markMemoryChanged(address & ADDRESS_MASK, 1); // rewind compares the marked blocks
  panel.edited = true;
  return true;
}

// Sets register n: 0-7 D0-D7, 8-15 A0-A7 (A7 the active stack pointer), WEB_REGISTER_PC, WEB_REGISTER_SR.
EMSCRIPTEN_KEEPALIVE bool webSetRegister(int n, uint32_t value) {
  if (!web.loaded || n < 0 || n > WEB_REGISTER_SR)
    return false;
  if (n == WEB_REGISTER_PC)
    setPc(value & ADDRESS_MASK);
  else if (n == WEB_REGISTER_SR) {
    cpuState.sr = uint16_t(value);
    loadSr();
  } else
    cpuState.regs[n] = value;
  panel.edited = true;
  return true;
}

// Room for an ELF file of size bytes, which the page fills before webLoadSymbols.
EMSCRIPTEN_KEEPALIVE uint8_t* webElfBuffer(int size) {
  panel.elf.resize(size_t(size > 0 ? size : 0));
  return panel.elf.data();
}

// Reads the program's symbols from the ELF buffer; false with the reason in webMessage.
EMSCRIPTEN_KEEPALIVE bool webLoadSymbols() {
  return loadSymbolsFrom(panel.elf.data(), panel.elf.size(), web.message, sizeof web.message);
}

// Room for a name (SYMBOL_TEXT_SIZE bytes with its terminator) the page gives webFindSymbol.
EMSCRIPTEN_KEEPALIVE char* webNameBuffer() { return panel.text; }
EMSCRIPTEN_KEEPALIVE int webNameSize() { return int(sizeof panel.text); }

// The address of the symbol named in the name buffer, in webFoundAddress; false when none is.
EMSCRIPTEN_KEEPALIVE bool webFindSymbol() { return findSymbol(panel.text, &panel.found); }
EMSCRIPTEN_KEEPALIVE uint32_t webFoundAddress() { return panel.found; }

// "name" or "name+0x12" for a code address, or "" when no symbol covers it.
EMSCRIPTEN_KEEPALIVE const char* webAddressName(uint32_t address) {
  nameAddress(address, panel.text, sizeof panel.text);
  return panel.text;
}
}
