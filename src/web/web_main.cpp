// The browser's module: the embedding interface (host/core.h) as C functions the page calls. The
// page owns the loop, the pacing, the keys and the files; this side holds the ROM set's bytes, the
// picture as RGBA for a canvas, keys.bin and the state buffer.
#include <emscripten/emscripten.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "core/core.h"

namespace {
constexpr int WEB_FILE_COUNT = ROM_FILE_COUNT + 1; // the ROM files, then pal.bmp
constexpr int PALETTE_INDEX = ROM_FILE_COUNT;
constexpr int PICTURE_PIXELS = CORE_PICTURE_WIDTH * CORE_PICTURE_HEIGHT;
constexpr int DIGEST_TEXT_SIZE = 17;               // 16 hexadecimal digits
constexpr size_t KEY_LOG_LIMIT = size_t(64) << 20; // bytes of keys.bin kept: 93 hours at 60 passes a second
constexpr size_t KEY_RECORD_SIZE = 2;

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
  return true;
}

// The message of the last failed load, or the result of the last state load.
EMSCRIPTEN_KEEPALIVE const char* webMessage() { return web.message; }

// Runs one pass: true when the program ended a frame (a new picture, one keys.bin record), false
// when it hung for a whole budget or nothing is loaded.
EMSCRIPTEN_KEEPALIVE bool webRunPass() {
  if (!web.loaded || coreRunFrame() != CORE_FRAME_ENDED)
    return false;
  coreKeepPass();
  convertPicture();
  if (web.keyLog.size() + KEY_RECORD_SIZE <= KEY_LOG_LIMIT) {
    uint8_t player, switches;
    coreInputBytes(&player, &switches);
    web.keyLog.push_back(player);
    web.keyLog.push_back(switches);
  }
  return true;
}

// One pass backwards while R is held: the board as it was a pass earlier, its picture; false when no
// older pass is kept (the picture stays).
EMSCRIPTEN_KEEPALIVE bool webRewindPass() {
  if (!web.loaded || !coreRewindPass())
    return false;
  convertPicture();
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
}
