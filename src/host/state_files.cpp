#include "host/state_files.h"

#include <cerrno>
#include <cstdio>

#include "core/save_state.h"
#include "driver/frame_loop.h"
#include "files/file_read.h"
#include "files/file_write.h"
#include "host/input_log.h"

StateRequests stateRequests;

namespace {
// The largest state file of another version that is read to tell it from a damaged file.
constexpr size_t OTHER_VERSION_LIMIT = size_t(16) << 20;
} // namespace

bool saveMachineState(const char* path) {
  // The file is the state in memory followed by the CRC-32 of it.
  const size_t size = stateSize();
  std::vector<uint8_t> bytes(size + STATE_CHECKSUM_BYTES);
  saveState(bytes.data());
  sealState(bytes.data());
  const FilePart whole = {bytes.data(), bytes.size()};
  return writeWholeFile(FILE_STATE, path, &whole, 1);
}

// Reads a file no larger than this version's state; a larger one is read further only when its
// header names another version, whose size may differ (up to OTHER_VERSION_LIMIT).
static StateLoadResult readStateBytes(const char* path, std::vector<uint8_t>& bytes) {
  if (readRegularFile(path, stateSize() + STATE_CHECKSUM_BYTES, bytes))
    return checkState(bytes);
  if (errno != EFBIG)
    return STATE_MISSING;
  if (!readRegularFileStart(path, STATE_HEADER_BYTES, bytes))
    return STATE_MISSING;
  // Too long for this version: only a header of another version is worth reading on.
  if (bytes.size() != STATE_HEADER_BYTES || checkStateBytes(bytes.data(), bytes.size(), false) != STATE_OTHER_VERSION)
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
  if (result == STATE_LOADED)
    followLoadedState();
  return result;
}

void applyPendingState() {
  if (stateRequests.pendingLoad.empty())
    return;
  applyState(stateRequests.pendingLoad.data());
  followLoadedState();
  std::vector<uint8_t>().swap(stateRequests.pendingLoad);
}

void saveStateAfterPass(uint32_t pass) {
  if (stateRequests.savePass != 0 && pass == stateRequests.savePass)
    saveMachineState(stateRequests.savePath.c_str());
}

void reportStateNotSaved() {
  const StateRequests& sr = stateRequests;
  if (sr.savePass == 0 || frameLoopState.passCount >= sr.savePass)
    return;
  fprintf(stderr, "No state written to %s: the run ended after %u of %u passes\n", sr.savePath.c_str(),
          frameLoopState.passCount, sr.savePass);
  fileWriteState.anyFailed = true;
}

void stateFileName(int slot, char* name, int size) {
  if (slot == 0)
    snprintf(name, size_t(size), "%s", STATE_FILE);
  else
    snprintf(name, size_t(size), SLOT_STATE_FORMAT, slot);
}
