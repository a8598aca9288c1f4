#include "host/input_log.h"

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
