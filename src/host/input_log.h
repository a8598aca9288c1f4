// The input log keys.bin and the memory dump dump.bin.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

inline constexpr uint32_t DUMP_FILE_SIZE = 0x2000C0; // image, then the 192-byte register block
inline constexpr const char* KEY_LOG_FILE = "keys.bin";
inline constexpr const char* DUMP_FILE = "dump.bin";

struct InputLog {
  FILE* keyLog;                 // open from the first pass until the run ends
  bool keyLogFailed;            // opening or writing failed once: logging has stopped
  std::vector<uint8_t> replay;  // a recorded keys.bin being replayed (empty: none)
  size_t replayNext;            // the record the next pass takes
};

extern InputLog inputLog;

// Reads a recorded keys.bin whole for replay; false if it cannot be read.
bool loadInputReplay(const char* path);
// While a replay lasts, sets the two input bytes from its next record (after the pump and joystick poll).
void replayInputs();

// Appends this pass's player and switch input bytes, opening keys.bin on first use; a failure is
// reported once and ends the logging.
void logInputs();
// Closes keys.bin if it is open; a failed close is reported.
void closeKeyLog();
// Writes the address space and the register block to dump.bin (whole or not at all; failures reported).
void writeDump();
