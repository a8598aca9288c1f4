#include "host/core.h"

#include <cstdlib>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/board.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "driver/warnings.h"
#include "host/keyboard.h"
#include "host/records.h"
#include "video/compose.h"
#include "video/display.h"
#include "video/frame_store.h"
#include "video/palette.h"

static_assert(CORE_PICTURE_WIDTH == VISIBLE_WIDTH && CORE_PICTURE_HEIGHT == VISIBLE_HEIGHT &&
              CORE_PICTURE_PITCH == FRAME_STORE_WIDTH);

namespace {
// Inputs given between two frames, applied at the next frame end in the order given.
constexpr int KEY_QUEUE_SIZE = 64;

struct CoreInputs {
  uint32_t keys[KEY_QUEUE_SIZE]; // key code, bit 31 set for a key going down
  int keyCount;
  bool bytesSet;                 // coreSetInputs was called: its bytes follow the keys
  uint8_t playerInputs, switchInputs;
};
CoreInputs coreInputs;

constexpr uint32_t KEY_DOWN_BIT = 0x80000000;

// What the desktop's pump does at a frame end, for the inputs the front end gave.
void applyInputs() {
  CoreInputs& in = coreInputs;
  for (int i = 0; i < in.keyCount; ++i)
    applyKey(in.keys[i] & ~KEY_DOWN_BIT, (in.keys[i] & KEY_DOWN_BIT) ? 1 : 0);
  if (in.bytesSet) {
    machineMemory[PLAYER_INPUTS_ADDRESS] = in.playerInputs;
    machineMemory[SWITCH_INPUTS_ADDRESS] = in.switchInputs;
  }
  in = CoreInputs{};
  stepAutofire();
}
} // namespace

bool coreLoadRomSet(const CoreFile* files, int fileCount, char* message, int messageSize) {
  void (*const sink)(const char*) = warningBudget.sink;
  resetRecords();
  coreInputs = CoreInputs{};
  warningBudget.sink = sink;
  if (!decodeState.produced && !buildCpuTables(message, messageSize))
    return false;
  if (!layRomSet(files, fileCount, message, messageSize))
    return false;
  resetCpu();
  return true;
}

bool coreLoadPalette(const uint8_t* bytes, size_t size, char* message, int messageSize) {
  return loadPalette(bytes, size, message, messageSize);
}

CoreFrameResult coreRunFrame() {
  if (!machineMemory)
    return CORE_FRAME_HUNG; // nothing loaded: nothing runs
  uint32_t left;
  if (runSlice(LOOP_PLAIN, CORE_FRAME_BUDGET, &left) != SLICE_FRAME_ENDED)
    return CORE_FRAME_HUNG;
  applyInputs();
  ++displayContext.passCount;
  composeFrame();
  return CORE_FRAME_ENDED;
}

const uint8_t* corePicture() { return frameLine(VISIBLE_FIRST_LINE); }

const PaletteColour* corePalette() { return displayContext.paletteEntries; }

uint32_t coreFrameCount() { return displayContext.passCount; }

void coreQueueKey(uint32_t keyCode, bool down) {
  CoreInputs& in = coreInputs;
  // A front end that queues more than a frame can take loses the oldest: the newest say what is held.
  if (in.keyCount == KEY_QUEUE_SIZE) {
    for (int i = 1; i < KEY_QUEUE_SIZE; ++i)
      in.keys[i - 1] = in.keys[i];
    --in.keyCount;
  }
  in.keys[in.keyCount++] = keyCode | (down ? KEY_DOWN_BIT : 0);
}

void coreSetInputs(uint8_t playerInputs, uint8_t switchInputs) {
  coreInputs.bytesSet = true;
  coreInputs.playerInputs = playerInputs;
  coreInputs.switchInputs = switchInputs;
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
  resetRecords();
  coreInputs = CoreInputs{};
}
