#include "core/save_state.h"

#include <array>
#include <bit>
#include <cstring>

#include "cpu68k/cpu_state.h"
#include "core/records.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "driver/sound_queue.h"
#include "host/keyboard.h"
#include "video/layers.h"
#include "video/sprites.h"

// The parts are the running records' own bytes; the file is little-endian on every host that runs it.
static_assert(std::endian::native == std::endian::little, "state parts are written in host order");

namespace {
constexpr uint32_t fourCc(const char (&name)[5]) {
  return uint32_t(uint8_t(name[0])) | uint32_t(uint8_t(name[1])) << 8 | uint32_t(uint8_t(name[2])) << 16 |
         uint32_t(uint8_t(name[3])) << 24;
}

constexpr uint32_t STATE_MAGIC = fourCc("QMST");
constexpr int32_t ANY_VALUE = 0;

// One part of a state: a running record or field, copied byte for byte.
struct StatePart {
  uint32_t id;
  RecordId record; // the registry's record the part belongs to
  void* (*locate)();
  uint32_t size;
  int32_t limit; // a 32-bit count or index the machine relies on: 0..limit-1 (ANY_VALUE: unchecked)
  uint8_t* changed = nullptr; // its blocks' marks for rewind (null: no writer marks it; small, compared whole)
};

// What makes the run go on as it would have: the address space (the input ports and their held and
// latched bits included), the CPU, the frame loop's idle count, the sound commands not yet taken,
// the layer-0 bitmap with the cell cache that decides which cells are decoded again, the zoom count
// that shifts colours, autofire, the sprite inspector and the joystick's last reading. The palette lookup and the
// working frame are rebuilt every pass; the colour table comes from pal.bmp.
constexpr StatePart STATE_PARTS[] = {
    {fourCc("MEMO"), RECORD_MEMORY, []() -> void* { return machineMemory; }, MEMORY_SIZE, ANY_VALUE,
     memoryChanged},
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
    {fourCc("LBMP"), RECORD_LAYERS, []() -> void* { return &layerState.bitmap; }, sizeof layerState.bitmap, ANY_VALUE,
     layerBitmapChanged},
    {fourCc("LCCH"), RECORD_LAYERS, []() -> void* { return &layerState.cache; }, sizeof layerState.cache, ANY_VALUE},
    {fourCc("ZOOM"), RECORD_SPRITES, []() -> void* { return &spriteState.zoomedSpriteCount; },
     sizeof spriteState.zoomedSpriteCount, ANY_VALUE},
    {fourCc("AUTO"), RECORD_BOARD_INPUTS, []() -> void* { return &boardInputs.autofire; }, sizeof boardInputs.autofire, ANY_VALUE},
    {fourCc("INSP"), RECORD_SPRITES, []() -> void* { return &spriteState.inspector; }, sizeof spriteState.inspector,
     ANY_VALUE},
    {fourCc("SLOT"), RECORD_SPRITES, []() -> void* { return &spriteState.inspectedSlot; }, sizeof spriteState.inspectedSlot,
     ANY_VALUE},
    {fourCc("JOYX"), RECORD_BOARD_INPUTS, []() -> void* { return &boardInputs.joystickAxisX; }, sizeof boardInputs.joystickAxisX, ANY_VALUE},
    {fourCc("JOYY"), RECORD_BOARD_INPUTS, []() -> void* { return &boardInputs.joystickAxisY; }, sizeof boardInputs.joystickAxisY, ANY_VALUE},
    {fourCc("JOYB"), RECORD_BOARD_INPUTS, []() -> void* { return &boardInputs.joystickButtons; }, sizeof boardInputs.joystickButtons,
     ANY_VALUE},
};

// Rewind reads a marked part's changes a block at a time.
static_assert(MEMORY_SIZE % CHANGE_BLOCK_BYTES == 0 && sizeof(LayerBitmap) % CHANGE_BLOCK_BYTES == 0);

// CRC-32 (the reflected polynomial of zip and PNG), a byte at a time through a table.
constexpr uint32_t CRC_POLYNOMIAL = 0xEDB88320;
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

constexpr uint32_t CRC_INITIAL = 0xFFFFFFFF;

// Continues a running CRC register (start from CRC_INITIAL, finish by inverting) over size bytes.
uint32_t crcUpdate(uint32_t crc, const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i)
    crc = CRC_TABLE[(crc ^ bytes[i]) & 0xFF] ^ crc >> 8;
  return crc;
}

void putWord(uint8_t* at, uint32_t value) { memcpy(at, &value, STATE_WORD_BYTES); }
} // namespace

size_t stateSize() {
  size_t size = STATE_HEADER_BYTES;
  for (const StatePart& part : STATE_PARTS)
    size += STATE_HEADER_BYTES + part.size;
  return size;
}

void saveState(uint8_t* buffer) {
  putWord(buffer, STATE_MAGIC);
  putWord(buffer + STATE_WORD_BYTES, STATE_FORMAT_VERSION);
  uint8_t* at = buffer + STATE_HEADER_BYTES;
  for (const StatePart& part : STATE_PARTS) {
    putWord(at, part.id);
    putWord(at + STATE_WORD_BYTES, part.size);
    memcpy(at + STATE_HEADER_BYTES, part.locate(), part.size);
    at += STATE_HEADER_BYTES + part.size;
  }
}

// Walks the magic, the version and the parts of a state: their ids and sizes, the values the machine
// indexes with. The file form ends with the CRC-32 of what comes before; the memory form ends there.
StateLoadResult checkStateBytes(const uint8_t* bytes, size_t size, bool withChecksum) {
  size_t at = 0;
  const auto fits = [&](size_t wanted) { return size - at >= wanted; };
  const auto word = [&](size_t offset) {
    uint32_t value;
    memcpy(&value, bytes + offset, STATE_WORD_BYTES);
    return value;
  };
  // True when the last word is the CRC-32 of everything before it.
  const auto checksumHolds = [&] {
    const size_t body = size - STATE_CHECKSUM_BYTES;
    return ~crcUpdate(CRC_INITIAL, bytes, body) == word(body);
  };
  if (!fits(STATE_WORD_BYTES))
    return STATE_TRUNCATED;
  if (word(at) != STATE_MAGIC)
    return STATE_CORRUPTED;
  at += STATE_WORD_BYTES;
  if (!fits(STATE_WORD_BYTES))
    return STATE_TRUNCATED;
  if (word(at) != STATE_FORMAT_VERSION) {
    // Every version of the file ends with the checksum: a whole file of another version still passes it.
    if (!withChecksum)
      return STATE_OTHER_VERSION;
    return size >= STATE_HEADER_BYTES + STATE_CHECKSUM_BYTES && checksumHolds() ? STATE_OTHER_VERSION : STATE_CORRUPTED;
  }
  at += STATE_WORD_BYTES;
  bool valuesHold = true;
  for (const StatePart& part : STATE_PARTS) {
    if (!fits(STATE_HEADER_BYTES))
      return STATE_TRUNCATED;
    if (word(at) != part.id || word(at + STATE_WORD_BYTES) != part.size)
      return STATE_CORRUPTED;
    at += STATE_HEADER_BYTES;
    if (!fits(part.size))
      return STATE_TRUNCATED;
    if (part.limit != ANY_VALUE) {
      const int32_t value = int32_t(word(at));
      valuesHold = valuesHold && value >= 0 && value < part.limit;
    }
    at += part.size;
  }
  const size_t tail = withChecksum ? STATE_CHECKSUM_BYTES : 0;
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
  size_t at = STATE_HEADER_BYTES;
  for (const StatePart& part : STATE_PARTS) {
    at += STATE_HEADER_BYTES;
    memcpy(part.locate(), bytes + at, part.size);
    if (part.changed)
      memset(part.changed, 1, part.size >> CHANGE_BLOCK_SHIFT);
    at += part.size;
  }
}

bool statePartPlace(size_t index, StatePartPlace& place) {
  if (index >= std::size(STATE_PARTS))
    return false;
  size_t at = STATE_HEADER_BYTES;
  for (size_t i = 0; i < index; ++i)
    at += STATE_HEADER_BYTES + STATE_PARTS[i].size;
  const StatePart& part = STATE_PARTS[index];
  place = {static_cast<uint8_t*>(part.locate()), at + STATE_HEADER_BYTES, part.size, part.changed};
  return true;
}

StateLoadResult loadState(const uint8_t* bytes, size_t size) {
  const StateLoadResult result = checkStateBytes(bytes, size, false);
  if (result == STATE_LOADED)
    applyState(bytes);
  return result;
}

void sealState(uint8_t* bytes) {
  const size_t size = stateSize();
  putWord(bytes + size, ~crcUpdate(CRC_INITIAL, bytes, size));
}

const char* stateLoadText(StateLoadResult result) {
  static const char* const LOAD_TEXTS[] = {"State loaded", "No state to load", "State file truncated",
                                           "State file corrupted", "State file from another version"};
  return LOAD_TEXTS[result];
}

bool stateHoldsRecord(int record) {
  for (const StatePart& part : STATE_PARTS)
    if (part.record == record)
      return true;
  return false;
}

