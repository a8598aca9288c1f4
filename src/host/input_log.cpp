#include "host/input_log.h"

#include <utility>

#include "cpu68k/cpu_state.h"
#include "driver/file_read.h"
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
  // The log is read whole before start-up, so replaying the log of the same folder is safe.
  std::vector<uint8_t> bytes;
  if (!readWholeFile(path, bytes))
    return false;
  bytes.resize(bytes.size() & ~size_t(1)); // a torn last record is dropped
  inputLog.replay = std::move(bytes);
  inputLog.replayNext = 0;
  return true;
}

void replayInputs() {
  InputLog& log = inputLog;
  if (2 * log.replayNext >= log.replay.size())
    return; // when the log ends the bytes stay as they are
  machineMemory[PLAYER_INPUTS_ADDRESS] = log.replay[2 * log.replayNext];
  machineMemory[SWITCH_INPUTS_ADDRESS] = log.replay[2 * log.replayNext + 1];
  ++log.replayNext;
}
