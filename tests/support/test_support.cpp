#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/memory.h"
#include "core/core.h"
#include "host/run_records.h"
#include "driver/rom_files.h"
#include "host/window_proc.h"
#include "platform/headless/headless.h"
#include "video/display.h"

void freshMachine() {
  if (!machineMemory)
    machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  resetAllRecords();
  headlessReset();
  coreHoldShortTaps(false); // each key lands where the test gives it; the hold has a test of its own
}

std::string startDisplay() {
  char message[CORE_MESSAGE_SIZE] = "";
  if (!loadPaletteFile(message, sizeof message) || !initDisplay(windowProc, message, sizeof message))
    return message;
  return "";
}

namespace {

std::string captured(FILE* stream, void (*start)(), std::string (*collect)(), const std::function<void()>& fn) {
  fflush(stream);
  start();
  fn();
  fflush(stream);
  return collect();
}

} // namespace

std::string captureStdout(const std::function<void()>& fn) {
  return captured(stdout, testing::internal::CaptureStdout, testing::internal::GetCapturedStdout, fn);
}

std::string captureStderr(const std::function<void()>& fn) {
  return captured(stderr, testing::internal::CaptureStderr, testing::internal::GetCapturedStderr, fn);
}

void pokeWords(uint32_t address, const std::vector<uint16_t>& words) {
  for (uint16_t w : words) {
    machineMemory[address] = uint8_t(w >> 8);
    machineMemory[address + 1] = uint8_t(w);
    markMemoryChanged(address, 2);
    address += 2;
  }
}

int runIn(const std::string& dir, const std::string& command) {
  // A runaway program must not fill the disk or hang the suite: cap file sizes and time.
  const std::string full = "cd '" + dir + "' && ulimit -f 400000 && exec timeout -k 5 90 " + command;
  const int status = system(full.c_str());
  if (status == -1 || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

