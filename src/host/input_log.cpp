#include "host/input_log.h"

#include <utility>

#include "cpu68k/cpu_state.h"
#include "files/file_read.h"
#include "driver/board.h"
#include "files/file_write.h"
#include "driver/memory.h"
#include "driver/sound_queue.h"

InputLog inputLog;

void logInputs() {
  if (inputLog.keyLogFailed)
    return; // after the first failure the log is given up, not retried every pass
  if (!inputLog.keyLog) {
    inputLog.keyLog = fopen(KEY_LOG_FILE, "wb");
    if (!inputLog.keyLog) {
      inputLog.keyLogFailed = true;
      reportWriteFailure(FILE_KEY_LOG, KEY_LOG_FILE);
      return;
    }
  }
  const uint8_t record[2] = {machineMemory[PLAYER_INPUTS_ADDRESS], machineMemory[SWITCH_INPUTS_ADDRESS]};
  if (fwrite(record, 1, sizeof record, inputLog.keyLog) != sizeof record) {
    inputLog.keyLogFailed = true;
    reportWriteFailure(FILE_KEY_LOG, KEY_LOG_FILE);
  }
}

void closeKeyLog() {
  if (inputLog.keyLog) {
    if (fclose(inputLog.keyLog) != 0 && !inputLog.keyLogFailed)
      reportWriteFailure(FILE_KEY_LOG, KEY_LOG_FILE);
    inputLog.keyLog = nullptr;
  }
}

void writeDump() {
  setPc(getPc());
  // The image is the first part of the file, the register block the rest.
  const FilePart parts[] = {{machineMemory, DUMP_FILE_SIZE - sizeof cpuState}, {&cpuState, sizeof cpuState}};
  writeWholeFile(FILE_DUMP, DUMP_FILE, parts, 2);
}

bool loadInputReplay(const char* path) {
  // The log is read whole before start-up, so replaying the log of the same folder is safe.
  std::vector<uint8_t> bytes;
  if (!readRegularFile(path, REPLAY_LIMIT, bytes))
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
  hostByte(PLAYER_INPUTS_ADDRESS) = log.replay[2 * log.replayNext];
  hostByte(SWITCH_INPUTS_ADDRESS) = log.replay[2 * log.replayNext + 1];
  ++log.replayNext;
}

bool startSoundLog(const char* path) {
  inputLog.soundLog = fopen(path, "w");
  inputLog.soundLogPath = path;
  inputLog.soundLogNext = soundCommandQueue.writeIndex;
  return inputLog.soundLog != nullptr;
}

// A failed write or close is reported once and the log given up.
static void dropSoundLog(bool failed) {
  if ((fclose(inputLog.soundLog) != 0 || failed))
    reportWriteFailure(FILE_SOUND_LOG, inputLog.soundLogPath);
  inputLog.soundLog = nullptr;
}

void logSoundCommands(uint32_t pass) {
  InputLog& log = inputLog;
  if (!log.soundLog)
    return;
  // The ring holds what a frame queued; its write index only moves on, so what lies between the
  // last logged slot and it is new.
  const SoundCommandQueue& q = soundCommandQueue;
  for (; log.soundLogNext != q.writeIndex; log.soundLogNext = (log.soundLogNext + 1) & (SOUND_QUEUE_SIZE - 1))
    if (fprintf(log.soundLog, "%u %02x\n", pass, q.entries[log.soundLogNext]) < 0)
      return dropSoundLog(true);
}

void closeSoundLog(uint32_t pass) {
  logSoundCommands(pass);
  if (inputLog.soundLog)
    dropSoundLog(false);
}

void followLoadedState() { inputLog.soundLogNext = soundCommandQueue.writeIndex; }
