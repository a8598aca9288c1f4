// The input log keys.bin and the memory dump dump.bin.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

inline constexpr uint32_t DUMP_FILE_SIZE = 0x2000C0; // image, then the 192-byte register block
inline constexpr const char* KEY_LOG_FILE = "keys.bin";
inline constexpr const char* DUMP_FILE = "dump.bin";
inline constexpr size_t REPLAY_LIMIT = size_t(256) << 20; // the longest input log read: 134 million passes

struct InputLog {
  FILE* keyLog;                 // open from the first pass until the run ends
  bool keyLogFailed;            // opening or writing failed once: logging has stopped
  std::vector<uint8_t> replay;  // a recorded keys.bin being replayed (empty: none)
  size_t replayNext;            // the record the next pass takes
  FILE* soundLog;               // the sound-command log, while it is written (headless --sound-log)
  const char* soundLogPath;
  int32_t soundLogNext;         // the sound queue's slot the log takes next
};

extern InputLog inputLog;

// Reads a recorded keys.bin whole for replay (a regular file of at most REPLAY_LIMIT bytes); false, errno
// telling why, if it cannot be read.
bool loadInputReplay(const char* path);
// While a replay lasts, sets the two input bytes from its next record (after the pump and joystick poll).
void replayInputs();

// Appends this pass's player and switch input bytes, opening keys.bin on first use; a failure is
// reported once and ends the logging.
void logInputs();
// After a state or a rewind step was applied: the sound log goes on from the loaded queue, whose
// commands were logged by the run that saved it.
void followLoadedState();
// Closes keys.bin if it is open; a failed close is reported.
void closeKeyLog();
// Opens the sound-command log at path; false (errno set) when it cannot be created.
bool startSoundLog(const char* path);
// Writes "PASS BYTE" for each sound command queued since the last call; a failed write is reported
// and ends the log.
void logSoundCommands(uint32_t pass);
// Writes the commands still unlogged, then closes the sound-command log; a failure is reported.
void closeSoundLog(uint32_t pass);
// Writes the address space and the register block to dump.bin (whole or not at all; failures reported).
void writeDump();
