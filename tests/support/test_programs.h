// Hand-assembled programs for the board and the ROM sets that carry them, for tests that run
// the real programs on them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Where the test programs keep their state.
inline constexpr uint32_t TEST_PROGRAM_COUNTER = 0x80100; // long: runs of the start-up code
inline constexpr uint32_t TEST_PROGRAM_HANG_PC = 0x410;   // the endless loop of hangProgram

// In the board's frame protocol: points the frame-flag pointer at a byte with bit 7 set, then sits
// in the idle loop at 0xA34; the frame interrupt returns at once.
std::vector<uint8_t> idleProgram();
// Counts its starts at TEST_PROGRAM_COUNTER, then loops for ever at TEST_PROGRAM_HANG_PC, never
// reaching the idle loop.
std::vector<uint8_t> hangProgram();
// idleProgram whose frame interrupt reads outside memory 150 times: 150 warnings a frame.
std::vector<uint8_t> warningStormProgram();
// idleProgram whose frame interrupt runs a 100,000-pass arithmetic loop: a CPU-bound load.
std::vector<uint8_t> busyProgram();
// A function symbol for symbolFile.
struct TestSymbol {
  const char* name;
  uint32_t address, size;
};
// A 68000 ELF32 big-endian file holding only a code section (code at 0x400) and the symbol table of
// symbols, as --symbols reads it. Symbols in a row with the same name pointer share the name's bytes.
std::vector<uint8_t> symbolFile(const std::vector<TestSymbol>& symbols, const std::vector<uint8_t>& code = {});
// Splits a program image of big-endian words into the six ROM files of the board in dir,
// and writes a grey-ramp pal.bmp.
void writeRomSet(const std::string& dir, const std::vector<uint8_t>& programImage);
