// The input log keys.bin and the memory dump dump.bin.
#pragma once
#include <cstdint>
#include <cstdio>

inline constexpr uint32_t DUMP_FILE_SIZE = 0x2000C0; // image, then the 192-byte register block
inline constexpr const char* KEY_LOG_FILE = "keys.bin";
inline constexpr const char* DUMP_FILE = "dump.bin";

struct InputLog {
  FILE* keyLog; // open from the first pass until the window is destroyed
};

extern InputLog inputLog;

// Appends this pass's PlayerInputs and SwitchInputs bytes, opening keys.bin on first use.
void logInputs();
// Closes keys.bin if it is open.
void closeKeyLog();
// Writes the address space and the register block to dump.bin; silent if it cannot be created.
void writeDump();
