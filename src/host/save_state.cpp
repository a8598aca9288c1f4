#include "host/save_state.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cerrno>
#include <cstring>

#include "cpu68k/cpu_state.h"
#include "driver/file_read.h"
#include "driver/file_write.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "driver/sound_queue.h"
#include "host/controls.h"
#include "host/input_log.h"
#include "host/joystick.h"
#include "host/records.h"
#include "video/display.h"
#include "video/layers.h"
#include "video/sprites.h"

// The parts are the running records' own bytes; the file is little-endian on every host that runs it.
static_assert(std::endian::native == std::endian::little, "state parts are written in host order");

StateRequests stateRequests;

namespace {
constexpr uint32_t fourCc(const char (&name)[5]) {
  return uint32_t(uint8_t(name[0])) | uint32_t(uint8_t(name[1])) << 8 | uint32_t(uint8_t(name[2])) << 16 |
         uint32_t(uint8_t(name[3])) << 24;
}

constexpr uint32_t STATE_MAGIC = fourCc("QMST");
constexpr size_t WORD_BYTES = 4;
constexpr size_t HEADER_BYTES = 2 * WORD_BYTES; // magic and version; a part's id and size
constexpr size_t CHECKSUM_BYTES = WORD_BYTES;
constexpr int32_t ANY_VALUE = 0;

// One part of a state: a running record or field, copied byte for byte.
struct StatePart {
  uint32_t id;
  RecordId record; // the registry's record the part belongs to
  void* (*locate)();
  uint32_t size;
  int32_t limit; // a 32-bit count or index the machine relies on: 0..limit-1 (ANY_VALUE: unchecked)
};

// What makes the run go on as it would have: the address space (the input ports and their held and
// latched bits included), the CPU, the frame loop's idle count, the sound commands not yet taken,
// the layer-0 bitmap with the cell cache that decides which cells are decoded again, the zoom count
// that shifts colours, the control flags and the joystick's last reading. The palette lookup and the
// working frame are rebuilt every pass; the colour table comes from pal.bmp.
constexpr StatePart STATE_PARTS[] = {
    {fourCc("MEMO"), RECORD_MEMORY, []() -> void* { return machineMemory; }, MEMORY_SIZE, ANY_VALUE},
    {fourCc("CPUS"), RECORD_CPU, []() -> void* { return &cpuState; }, sizeof cpuState, ANY_VALUE},
    {fourCc("CCRW"), RECORD_CCR, []() -> void* { return &ccrWord; }, sizeof ccrWord, ANY_VALUE},
    {fourCc("IDLE"), RECORD_FRAME_LOOP, []() -> void* { return &frameLoopState.idleHitCount; }, sizeof frameLoopState.idleHitCount,
     IDLE_HIT_LIMIT + 2},
    {fourCc("SNDQ"), RECORD_SOUND_QUEUE, []() -> void* { return soundCommandQueue.entries; }, sizeof soundCommandQueue.entries,
     ANY_VALUE},
    {fourCc("SNDW"), RECORD_SOUND_QUEUE, []() -> void* { return &soundCommandQueue.writeIndex; }, sizeof soundCommandQueue.writeIndex,
     SOUND_QUEUE_SIZE},
    {fourCc("SNDR"), RECORD_SOUND_QUEUE, []() -> void* { return &soundCommandQueue.readIndex; }, sizeof soundCommandQueue.readIndex,
     SOUND_QUEUE_SIZE},
    {fourCc("LBMP"), RECORD_LAYERS, []() -> void* { return &layerState.bitmap; }, sizeof layerState.bitmap, ANY_VALUE},
    {fourCc("LCCH"), RECORD_LAYERS, []() -> void* { return &layerState.cache; }, sizeof layerState.cache, ANY_VALUE},
    {fourCc("ZOOM"), RECORD_SPRITES, []() -> void* { return &spriteState.zoomedSpriteCount; },
     sizeof spriteState.zoomedSpriteCount, ANY_VALUE},
    {fourCc("AUTO"), RECORD_CONTROLS, []() -> void* { return &hostControls.autofire; }, sizeof hostControls.autofire, ANY_VALUE},
    {fourCc("INSP"), RECORD_CONTROLS, []() -> void* { return &hostControls.spriteInspector; }, sizeof hostControls.spriteInspector,
     ANY_VALUE},
    {fourCc("SLOT"), RECORD_CONTROLS, []() -> void* { return &hostControls.inspectedSlot; }, sizeof hostControls.inspectedSlot,
     ANY_VALUE},
    {fourCc("JOYX"), RECORD_JOYSTICK, []() -> void* { return &joystickState.lastAxisX; }, sizeof joystickState.lastAxisX, ANY_VALUE},
    {fourCc("JOYY"), RECORD_JOYSTICK, []() -> void* { return &joystickState.lastAxisY; }, sizeof joystickState.lastAxisY, ANY_VALUE},
    {fourCc("JOYB"), RECORD_JOYSTICK, []() -> void* { return &joystickState.lastButtons; }, sizeof joystickState.lastButtons,
     ANY_VALUE},
};

// CRC-32 (the reflected polynomial of zip and PNG), a byte at a time through a table.
constexpr uint32_t CRC_POLYNOMIAL = 0xEDB88320;
constexpr uint32_t CRC_INITIAL = 0xFFFFFFFF;
constexpr std::array<uint32_t, 256> CRC_TABLE = [] {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < table.size(); ++n) {
    uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit)
      c = c & 1 ? CRC_POLYNOMIAL ^ c >> 1 : c >> 1;
    table[n] = c;
  }
  return table;
}();

// Continues a running CRC register (start from CRC_INITIAL, finish by inverting) over size bytes.
uint32_t crcUpdate(uint32_t crc, const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i)
    crc = CRC_TABLE[(crc ^ bytes[i]) & 0xFF] ^ crc >> 8;
  return crc;
}

void putWord(uint8_t* at, uint32_t value) { memcpy(at, &value, WORD_BYTES); }

// The largest state file of another version that is read to tell it from a damaged file.
constexpr size_t OTHER_VERSION_LIMIT = size_t(16) << 20;

const char* const LOAD_TEXTS[] = {"State loaded", "No state to load", "State file truncated",
                                  "State file corrupted", "State file from another version"};
} // namespace

size_t stateSize() {
  size_t size = HEADER_BYTES;
  for (const StatePart& part : STATE_PARTS)
    size += HEADER_BYTES + part.size;
  return size;
}

void saveState(uint8_t* buffer) {
  putWord(buffer, STATE_MAGIC);
  putWord(buffer + WORD_BYTES, STATE_FORMAT_VERSION);
  uint8_t* at = buffer + HEADER_BYTES;
  for (const StatePart& part : STATE_PARTS) {
    putWord(at, part.id);
    putWord(at + WORD_BYTES, part.size);
    memcpy(at + HEADER_BYTES, part.locate(), part.size);
    at += HEADER_BYTES + part.size;
  }
}

bool saveMachineState(const char* path) {
  // The file is the state in memory followed by the CRC-32 of it.
  const size_t size = stateSize();
  std::vector<uint8_t> bytes(size + CHECKSUM_BYTES);
  saveState(bytes.data());
  putWord(bytes.data() + size, ~crcUpdate(CRC_INITIAL, bytes.data(), size));
  const FilePart whole = {bytes.data(), bytes.size()};
  return writeWholeFile(FILE_STATE, path, &whole, 1);
}

// Walks the magic, the version and the parts of a state: their ids and sizes, the values the machine
// indexes with. The file form ends with the CRC-32 of what comes before; the memory form ends there.
static StateLoadResult checkStateBytes(const uint8_t* bytes, size_t size, bool withChecksum) {
  size_t at = 0;
  const auto fits = [&](size_t wanted) { return size - at >= wanted; };
  const auto word = [&](size_t offset) {
    uint32_t value;
    memcpy(&value, bytes + offset, WORD_BYTES);
    return value;
  };
  // True when the last word is the CRC-32 of everything before it.
  const auto checksumHolds = [&] {
    const size_t body = size - CHECKSUM_BYTES;
    return ~crcUpdate(CRC_INITIAL, bytes, body) == word(body);
  };
  if (!fits(WORD_BYTES))
    return STATE_TRUNCATED;
  if (word(at) != STATE_MAGIC)
    return STATE_CORRUPTED;
  at += WORD_BYTES;
  if (!fits(WORD_BYTES))
    return STATE_TRUNCATED;
  if (word(at) != STATE_FORMAT_VERSION) {
    // Every version of the file ends with the checksum: a whole file of another version still passes it.
    if (!withChecksum)
      return STATE_OTHER_VERSION;
    return size >= HEADER_BYTES + CHECKSUM_BYTES && checksumHolds() ? STATE_OTHER_VERSION : STATE_CORRUPTED;
  }
  at += WORD_BYTES;
  bool valuesHold = true;
  for (const StatePart& part : STATE_PARTS) {
    if (!fits(HEADER_BYTES))
      return STATE_TRUNCATED;
    if (word(at) != part.id || word(at + WORD_BYTES) != part.size)
      return STATE_CORRUPTED;
    at += HEADER_BYTES;
    if (!fits(part.size))
      return STATE_TRUNCATED;
    if (part.limit != ANY_VALUE) {
      const int32_t value = int32_t(word(at));
      valuesHold = valuesHold && value >= 0 && value < part.limit;
    }
    at += part.size;
  }
  const size_t tail = withChecksum ? CHECKSUM_BYTES : 0;
  if (!fits(tail))
    return STATE_TRUNCATED;
  if (size - at != tail || (withChecksum && !checksumHolds()) || !valuesHold)
    return STATE_CORRUPTED;
  return STATE_LOADED;
}

StateLoadResult checkState(const std::vector<uint8_t>& bytes) {
  return checkStateBytes(bytes.data(), bytes.size(), true);
}

void applyState(const uint8_t* bytes) {
  size_t at = HEADER_BYTES;
  for (const StatePart& part : STATE_PARTS) {
    at += HEADER_BYTES;
    memcpy(part.locate(), bytes + at, part.size);
    at += part.size;
  }
  // The sound log goes on from the loaded queue: its commands were logged by the run that saved it.
  inputLog.soundLogNext = soundCommandQueue.writeIndex;
}

StateLoadResult loadState(const uint8_t* bytes, size_t size) {
  const StateLoadResult result = checkStateBytes(bytes, size, false);
  if (result == STATE_LOADED)
    applyState(bytes);
  return result;
}

bool stateHoldsRecord(int record) {
  for (const StatePart& part : STATE_PARTS)
    if (part.record == record)
      return true;
  return false;
}

// Reads a file no larger than this version's state; a larger one is read further only when its
// header names another version, whose size may differ (up to OTHER_VERSION_LIMIT).
static StateLoadResult readStateBytes(const char* path, std::vector<uint8_t>& bytes) {
  if (readRegularFile(path, stateSize() + CHECKSUM_BYTES, bytes))
    return checkState(bytes);
  if (errno != EFBIG)
    return STATE_MISSING;
  if (!readRegularFileStart(path, HEADER_BYTES, bytes))
    return STATE_MISSING;
  // Too long for this version: only a header of another version is worth reading on.
  if (bytes.size() != HEADER_BYTES || checkStateBytes(bytes.data(), bytes.size(), false) != STATE_OTHER_VERSION)
    return STATE_CORRUPTED;
  return readRegularFile(path, OTHER_VERSION_LIMIT, bytes) ? checkState(bytes) : STATE_CORRUPTED;
}

StateLoadResult readStateFile(const char* path, std::vector<uint8_t>& bytes) {
  const StateLoadResult result = readStateBytes(path, bytes);
  if (result != STATE_LOADED)
    bytes.clear();
  return result;
}

StateLoadResult loadMachineState(const char* path) {
  std::vector<uint8_t> bytes;
  const StateLoadResult result = readStateFile(path, bytes);
  if (result == STATE_LOADED)
    applyState(bytes.data());
  return result;
}

const char* stateLoadText(StateLoadResult result) { return LOAD_TEXTS[result]; }

void applyPendingState() {
  if (stateRequests.pendingLoad.empty())
    return;
  applyState(stateRequests.pendingLoad.data());
  std::vector<uint8_t>().swap(stateRequests.pendingLoad);
}

void saveStateAfterPass(uint32_t pass) {
  if (stateRequests.savePass != 0 && pass == stateRequests.savePass)
    saveMachineState(stateRequests.savePath.c_str());
}

void reportStateNotSaved() {
  const StateRequests& sr = stateRequests;
  if (sr.savePass == 0 || displayContext.passCount >= sr.savePass)
    return;
  fprintf(stderr, "No state written to %s: the run ended after %u of %u passes\n", sr.savePath.c_str(),
          displayContext.passCount, sr.savePass);
  fileWriteState.anyFailed = true;
}

void stateFileName(int slot, char* name, int size) {
  if (slot == 0)
    snprintf(name, size_t(size), "%s", STATE_FILE);
  else
    snprintf(name, size_t(size), SLOT_STATE_FORMAT, slot);
}
