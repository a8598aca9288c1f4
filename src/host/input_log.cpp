#include "host/input_log.h"

#include <cstdlib>

#include "cpu68k/cpu_state.h"
#include "driver/memory.h"

InputLog inputLog;

void logInputs() {
  // A log that cannot be opened is tried again next pass; that pass's record is skipped.
  if (!inputLog.keyLog) {
    inputLog.keyLog = fopen(KEY_LOG_FILE, "wb");
    if (!inputLog.keyLog)
      return;
  }
  const uint8_t record[2] = {machineMemory[PLAYER_INPUTS_ADDRESS], machineMemory[SWITCH_INPUTS_ADDRESS]};
  fwrite(record, 1, sizeof record, inputLog.keyLog);
}

void closeKeyLog() {
  if (inputLog.keyLog) {
    fclose(inputLog.keyLog);
    inputLog.keyLog = nullptr;
  }
}

void writeDump() {
  FILE* file = fopen(DUMP_FILE, "wb");
  if (!file)
    return;
  setPc(getPc());
  // The image is the first 2 MiB; the conformance bus never writes a dump.
  fwrite(machineMemory, 1, 0x200000, file);
  fwrite(&cpuState, 1, sizeof cpuState, file);
  fclose(file);
}

bool loadInputReplay(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file)
    return false;
  // The log is read whole before start-up, so replaying the log of the same folder is safe.
  size_t capacity = 4096, size = 0;
  uint8_t* bytes = static_cast<uint8_t*>(malloc(capacity));
  size_t got;
  while (bytes && (got = fread(bytes + size, 1, capacity - size, file)) > 0) {
    size += got;
    if (size == capacity) {
      capacity *= 2;
      uint8_t* grown = static_cast<uint8_t*>(realloc(bytes, capacity));
      if (!grown)
        free(bytes);
      bytes = grown;
    }
  }
  const bool ok = bytes && !ferror(file);
  fclose(file);
  if (!ok) {
    free(bytes);
    return false;
  }
  free(inputLog.replayRecords);
  inputLog.replayRecords = bytes;
  inputLog.replayRecordCount = uint32_t(size / 2);
  inputLog.replayNext = 0;
  return true;
}

void replayInputs() {
  InputLog& log = inputLog;
  if (log.replayNext >= log.replayRecordCount)
    return; // when the log ends the bytes stay as they are
  machineMemory[PLAYER_INPUTS_ADDRESS] = log.replayRecords[2 * log.replayNext];
  machineMemory[SWITCH_INPUTS_ADDRESS] = log.replayRecords[2 * log.replayNext + 1];
  ++log.replayNext;
}
