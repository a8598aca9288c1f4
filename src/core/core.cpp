#include "core/core.h"

#include <cstdlib>

#include "core/records.h"
#include "core/rewind.h"
#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/board.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "driver/warnings.h"
#include "host/keyboard.h"
#include "video/compose.h"
#include "video/frame_store.h"
#include "video/palette.h"
#include "video/picture_digest.h"

static_assert(CORE_PICTURE_WIDTH == VISIBLE_WIDTH && CORE_PICTURE_HEIGHT == VISIBLE_HEIGHT &&
              CORE_PICTURE_PITCH == FRAME_STORE_WIDTH);

CoreInputs coreInputs;

namespace {
// The front end's choice, not the machine's: no record resets it.
CorePictureFormat corePictureFormat;

constexpr uint32_t KEY_DOWN_BIT = 0x80000000;
constexpr uint32_t KEY_CODE_MASK = KEY_CODES - 1;
constexpr int PRESSED_WORD_SHIFT = 6; // 64 keys a word
constexpr uint32_t PRESSED_BIT_MASK = 63;

bool pressedHere(uint32_t key) { return coreInputs.pressed[key >> PRESSED_WORD_SHIFT] >> (key & PRESSED_BIT_MASK) & 1; }

// Keeps a key for the next frame end; a front end that gives more than a frame can take loses the
// oldest: the newest say what is held.
void queueKey(uint32_t entry) {
  CoreInputs& in = coreInputs;
  if (in.keyCount == CORE_KEY_QUEUE_SIZE) {
    for (int i = 1; i < CORE_KEY_QUEUE_SIZE; ++i)
      in.keys[i - 1] = in.keys[i];
    --in.keyCount;
  }
  in.keys[in.keyCount++] = entry;
}

// A key at a frame end: applied, unless it lets go of a key pressed at this frame end (with the
// hold on) or comes after such a release.
void takeKey(uint32_t entry) {
  CoreInputs& in = coreInputs;
  const uint32_t key = entry & KEY_CODE_MASK;
  const bool down = entry & KEY_DOWN_BIT;
  if (!in.tapsUnheld && !down && pressedHere(key))
    in.holding = true;
  if (in.holding) {
    queueKey(entry);
    return;
  }
  if (down)
    in.pressed[key >> PRESSED_WORD_SHIFT] |= uint64_t(1) << (key & PRESSED_BIT_MASK);
  applyKey(key, down ? 1 : 0);
}

// The bytes a front end set, over what keys did.
void applySetBytes() {
  CoreInputs& in = coreInputs;
  if (!in.bytesSet)
    return;
  hostByte(PLAYER_INPUTS_ADDRESS) = in.playerInputs;
  hostByte(SWITCH_INPUTS_ADDRESS) = in.switchInputs;
  in.bytesSet = false;
}

// The frame end the run just reached: the inputs given meanwhile (and those held back at the last
// one) apply in the order given, then the bytes a front end set.
void openFrameEnd() {
  CoreInputs& in = coreInputs;
  in.atFrameEnd = true;
  in.holding = false;
  for (uint64_t& word : in.pressed)
    word = 0;
  const int count = in.keyCount;
  uint32_t keys[CORE_KEY_QUEUE_SIZE];
  for (int i = 0; i < count; ++i)
    keys[i] = in.keys[i];
  in.keyCount = 0;
  for (int i = 0; i < count; ++i)
    takeKey(keys[i]);
  applySetBytes();
}
// The working frame in the format the front end chose.
void composeChosen() {
  if (corePictureFormat == CORE_PICTURE_XRGB8888)
    composeFrame<uint32_t>();
  else
    composeFrame<uint8_t>();
}
} // namespace

bool coreLoadRomSet(const CoreFile* files, int fileCount, char* message, int messageSize) {
  if (!checkRomSet(files, fileCount, message, messageSize))
    return false; // refused before anything of the running machine changes
  resetMachineRecords();
  if (!decodeState.produced && !buildCpuTables(message, messageSize))
    return false;
  if (!layRomSet(files, fileCount, message, messageSize))
    return false;
  resetCpu();
  return true;
}

bool coreLoadPalette(const uint8_t* bytes, size_t size, char* message, int messageSize) {
  if (!loadPalette(bytes, size, message, messageSize))
    return false;
  // Until the next XRGB8888 composition both pictures agree, the first one included.
  for (int i = 0; i < FRAME_STORE_LINES * FRAME_STORE_WIDTH; ++i)
    colourFrameStore.pixels[i] = colourTables.hostColours[frameStore.pixels[i]];
  return true;
}

SliceEnd coreRunSlice(LoopKind kind, uint32_t count, uint32_t* left) {
  coreInputs.atFrameEnd = false;
  const SliceEnd end = runSlice(kind, count, left);
  if (end == SLICE_FRAME_ENDED)
    openFrameEnd();
  return end;
}

void coreCompose() {
  ++frameLoopState.passCount;
  composeChosen();
}

CoreFrameResult coreRunFrame() {
  if (!machineMemory)
    return CORE_FRAME_HUNG; // nothing loaded: nothing runs
  uint32_t left;
  if (coreRunSlice(LOOP_PLAIN, CORE_FRAME_BUDGET, &left) != SLICE_FRAME_ENDED)
    return CORE_FRAME_HUNG;
  stepAutofire();
  coreCompose();
  coreInputs.atFrameEnd = false; // inputs given before the next call wait for its frame end
  return CORE_FRAME_ENDED;
}

void coreSetPictureFormat(CorePictureFormat format) { corePictureFormat = format; }

const uint8_t* corePicture() { return frameLine(VISIBLE_FIRST_LINE); }

const uint32_t* coreColourPicture() { return frameLine<uint32_t>(VISIBLE_FIRST_LINE); }

const PaletteColour* corePalette() { return colourTables.hostPalette; }

uint32_t corePassCount() { return frameLoopState.passCount; }

uint64_t corePictureDigest() { return pictureDigest(corePicture() - SCREEN_X, CORE_PICTURE_PITCH); }

uint32_t corePc() { return machineMemory ? getPc() : 0; }

void coreInputBytes(uint8_t* playerInputs, uint8_t* switchInputs) {
  *playerInputs = machineMemory ? machineMemory[PLAYER_INPUTS_ADDRESS] : 0;
  *switchInputs = machineMemory ? machineMemory[SWITCH_INPUTS_ADDRESS] : 0;
}

void coreQueueKey(uint32_t keyCode, bool down) {
  if (keyCode >= uint32_t(KEY_CODES))
    return; // no key of the board answers it
  const uint32_t entry = keyCode | (down ? KEY_DOWN_BIT : 0);
  if (coreInputs.atFrameEnd && machineMemory)
    takeKey(entry);
  else
    queueKey(entry);
}

void coreHoldShortTaps(bool hold) { coreInputs.tapsUnheld = !hold; }

void coreStepAutofire() { stepAutofire(); }

void coreSetInputs(uint8_t playerInputs, uint8_t switchInputs) {
  CoreInputs& in = coreInputs;
  in.bytesSet = true;
  in.playerInputs = playerInputs;
  in.switchInputs = switchInputs;
  if (in.atFrameEnd && machineMemory)
    applySetBytes();
}

void coreKeepPass() {
  if (machineMemory)
    keepRewindState();
}

bool coreRewindPass() {
  if (!machineMemory || !rewindOnePass())
    return false;
  composeChosen();
  return true;
}

size_t coreStateSize() { return stateSize(); }

bool coreSaveState(uint8_t* buffer, size_t size) {
  if (!machineMemory || size < stateSize())
    return false;
  saveState(buffer);
  return true;
}

StateLoadResult coreLoadState(const uint8_t* buffer, size_t size) {
  if (!machineMemory)
    return STATE_MISSING;
  return loadState(buffer, size);
}

void coreReset() {
  if (machineMemory)
    resetCpu();
}

void coreSetWarningSink(void (*sink)(const char* line)) { warningBudget.sink = sink; }

void coreEnd() {
  free(machineMemory);
  machineMemory = nullptr;
  resetMachineRecords();
  coreInputs.tapsUnheld = false;
  corePictureFormat = CORE_PICTURE_INDICES;
  warningBudget.sink = nullptr;
}
