// The main CPU's register file, condition codes, program counter and reset.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "driver/memory.h"

// CpuState: 192 bytes, dumped byte for byte (host order) at the end of dump.bin.
struct CpuState {
  uint32_t regs[16];         // 0x00 D0-D7, A0-A7; A7 is the active stack pointer
  uint32_t usp;              // 0x40 user stack pointer while in supervisor mode
  uint32_t ssp;              // 0x44 supervisor stack pointer while in user mode
  uint32_t reserved48;       // 0x48
  uint16_t sr;               // 0x4C staging word of buildSr/loadSr
  uint8_t t1;                // 0x4E trace bit T1
  uint8_t t0;                // 0x4F trace bit T0
  uint8_t s;                 // 0x50 supervisor bit
  uint8_t m;                 // 0x51 master bit
  uint8_t reserved52;        // 0x52
  uint8_t stopped;           // 0x53 set by STOP, cleared by reset
  uint32_t intMask;          // 0x54 interrupt mask 0-7
  uint32_t pcBase;           // 0x58 address the PC was last set to
  uint32_t pcHost;           // 0x5C fetch position: offset into machineMemory
  uint32_t pcHostBase;       // 0x60 fetch position that corresponded to pcBase
  uint32_t vbr;              // 0x64 vector base, always 0
  uint32_t reserved68[21];   // 0x68 control words, zero
  uint32_t specialFlags;     // 0xBC status bits visible only in the dump
};
static_assert(sizeof(CpuState) == 192, "CpuState is a file format");
static_assert(offsetof(CpuState, usp) == 0x40 && offsetof(CpuState, sr) == 0x4C);
static_assert(offsetof(CpuState, t1) == 0x4E && offsetof(CpuState, stopped) == 0x53);
static_assert(offsetof(CpuState, intMask) == 0x54 && offsetof(CpuState, pcBase) == 0x58);
static_assert(offsetof(CpuState, pcHost) == 0x5C && offsetof(CpuState, pcHostBase) == 0x60);
static_assert(offsetof(CpuState, vbr) == 0x64 && offsetof(CpuState, reserved68) == 0x68);
static_assert(offsetof(CpuState, specialFlags) == 0xBC);

// CcrWord: the five condition codes at the x86 flag positions, X kept apart.
using CcrWord = uint32_t;
inline constexpr CcrWord CCR_C = 0x00001;
inline constexpr CcrWord CCR_Z = 0x00040;
inline constexpr CcrWord CCR_N = 0x00080;
inline constexpr CcrWord CCR_V = 0x00800;
inline constexpr CcrWord CCR_X = 0x10000;
inline constexpr CcrWord CCR_NZVC = CCR_N | CCR_Z | CCR_V | CCR_C;
inline constexpr CcrWord CCR_ALL = CCR_NZVC | CCR_X;

// specialFlags bits.
inline constexpr uint32_t SPECIAL_STOPPED = 0x02;
inline constexpr uint32_t SPECIAL_SR_LOADED = 0x08;
inline constexpr uint32_t SPECIAL_TRACE = 0x40;
inline constexpr uint32_t SPECIAL_TRACE_CLEAR = 0xC0;

inline constexpr int REG_A0 = 8;
inline constexpr int REG_A7 = 15;

extern CpuState cpuState;
extern CcrWord ccrWord;

// The emulated PC: pcBase + (pcHost - pcHostBase).
inline uint32_t getPc() { return cpuState.pcBase + (cpuState.pcHost - cpuState.pcHostBase); }

// Points the PC at an emulated address; no range check.
inline void setPc(uint32_t address) {
  cpuState.pcBase = address;
  cpuState.pcHost = address;
  cpuState.pcHostBase = address;
}

// Instructions and their extension words are 16-bit words at even addresses.
inline constexpr uint32_t INSTRUCTION_WORD_BYTES = 2;

// Reads a big-endian word of an image at a fetch position; 0 outside the image.
inline uint32_t fetchFrom(const uint8_t* memory, uint32_t position) {
  position &= ADDRESS_MASK;
  if (position >= MEMORY_SIZE - 1) [[unlikely]]
    return position == MEMORY_SIZE - 1 ? uint32_t(memory[position]) << 8 : 0;
  // One unaligned 16-bit load, swapped to the 68000's byte order.
  uint16_t word;
  memcpy(&word, memory + position, INSTRUCTION_WORD_BYTES);
  return __builtin_bswap16(word);
}

// Reads a big-endian word of the machine's image at a fetch position; 0 outside the image.
inline uint32_t fetchAt(uint32_t position) { return fetchFrom(machineMemory, position); }

// Fetches the next instruction-stream word and advances the fetch position.
inline uint32_t fetchWord() {
  uint32_t word = fetchAt(cpuState.pcHost);
  cpuState.pcHost += INSTRUCTION_WORD_BYTES;
  return word;
}

// Fetches a 32-bit extension, high word first.
inline uint32_t fetchLong() {
  uint32_t high = fetchWord();
  return high << 16 | fetchWord();
}

// Composes cpuState.sr from the mode fields and ccrWord.
void buildSr();
// The status register the mode fields and ccrWord make, leaving cpuState.sr as it is.
uint16_t currentSr();
// Takes cpuState.sr apart, switching stacks when the supervisor bit changes.
void loadSr();
// Resets the CPU from the vectors at addresses 0 and 4.
void resetCpu();
