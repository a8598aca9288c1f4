// The instruction pattern table and its expansion into one decode entry per
// opcode, grouped into classes that share a handler. Used at start-up by
// buildCpuTables and at build time by the handler list generator.
#pragma once
#include <cstdint>

// Addressing modes as numbered in InstrEntry.
enum AddressingMode : uint32_t {
  MODE_DREG, MODE_AREG, MODE_AIND, MODE_AIPI, MODE_APDI, MODE_AD16, MODE_AD8R, MODE_ABSW, MODE_ABSL,
  MODE_PC16, MODE_PC8R, MODE_IMMD, MODE_IMM0, MODE_IMM1, MODE_IMM2, MODE_IMMI, MODE_NONE
};

// Operand sizes of InstrEntry.size.
inline constexpr uint32_t SIZE_BYTE = 0;
inline constexpr uint32_t SIZE_WORD = 1;
inline constexpr uint32_t SIZE_LONG = 2;

// Mnemonic ids of the instructions that have handlers.
enum MnemonicId : uint32_t {
  MN_ILLEGAL = 0, MN_OR = 1, MN_AND = 2, MN_EOR = 3, MN_ORSR = 4, MN_ANDSR = 5, MN_EORSR = 6, MN_SUB = 7,
  MN_SUBA = 8, MN_SUBX = 9, MN_SBCD = 10, MN_ADD = 11, MN_ADDA = 12, MN_ADDX = 13, MN_ABCD = 14, MN_NEG = 15,
  MN_NEGX = 16, MN_NBCD = 17, MN_CLR = 18, MN_NOT = 19, MN_TST = 20, MN_BTST = 21, MN_BCHG = 22, MN_BCLR = 23,
  MN_BSET = 24, MN_CMP = 25, MN_CMPM = 26, MN_CMPA = 27, MN_MVPRM = 28, MN_MVPMR = 29, MN_MOVE = 30,
  MN_MOVEA = 31, MN_MVSR2 = 32, MN_MV2SR = 33, MN_SWAP = 34, MN_EXG = 35, MN_EXT = 36, MN_MVMEL = 37,
  MN_MVMLE = 38, MN_TRAP = 39, MN_MVR2USP = 40, MN_MVUSP2R = 41, MN_RESET = 42, MN_NOP = 43, MN_STOP = 44,
  MN_RTE = 45, MN_RTD = 46, MN_LINK = 47, MN_UNLK = 48, MN_RTS = 49, MN_TRAPV = 50, MN_RTR = 51, MN_JSR = 52,
  MN_JMP = 53, MN_BSR = 54, MN_BCC = 55, MN_LEA = 56, MN_PEA = 57, MN_DBCC = 58, MN_SCC = 59, MN_DIVU = 60,
  MN_DIVS = 61, MN_MULU = 62, MN_MULS = 63, MN_ASR = 64, MN_ASL = 65, MN_LSR = 66, MN_LSL = 67, MN_ROL = 68,
  MN_ROR = 69, MN_ROXL = 70, MN_ROXR = 71, MN_ASRW = 72, MN_ASLW = 73, MN_LSRW = 74, MN_LSLW = 75,
  MN_ROLW = 76, MN_RORW = 77, MN_ROXLW = 78, MN_ROXRW = 79, MN_CHK = 80, MN_TAS = 98
};

// One row of the compiled-in pattern table.
struct PatternRow {
  uint32_t value;         // fixed opcode bits
  uint32_t variableCount; // number of variable bits
  uint8_t letters[16];    // field letter code of each variable bit, most significant first
  uint32_t mask;          // 1 for every fixed bit
  uint32_t privilege;     // 0 unprivileged, 1 or 2 privileged
  uint32_t flagInfo[5];   // X N Z V C: effect code << 3 | use code
  const char* text;       // mnemonic, size suffix and operands
};

// One row of the mnemonic table; the table ends with an empty name.
struct MnemonicRow {
  uint32_t id;
  const char* name;
};

// One decode entry per opcode (16 bytes).
struct InstrEntry {
  uint32_t mnemonic : 8;
  uint32_t cc : 4;
  uint32_t privilege : 2;
  uint32_t size : 2;
  uint32_t srcMode : 5;
  uint32_t srcType : 3;
  uint32_t dstMode : 5;
  uint32_t srcUsed : 1;
  uint32_t dstUsed : 1;
  uint32_t spare : 1;
  uint32_t flagsSet : 8;
  uint32_t flagsUsed : 8;
  uint32_t spare2 : 16;
  uint8_t dstReg;
  uint8_t srcReg;
  uint8_t dstPos;
  uint8_t srcPos;
  int32_t representative;
};
static_assert(sizeof(InstrEntry) == 16, "InstrEntry is 16 bytes");

inline constexpr int PATTERN_ROW_COUNT = 124;
inline constexpr uint8_t NO_FIELD = 0xFF;

extern const PatternRow patternRows[PATTERN_ROW_COUNT];
extern const MnemonicRow mnemonicTable[];

// Sets every entry of a 65536-entry table to "no instruction, no representative".
void clearDecodeTable(InstrEntry* table);
// Expands rows into the table (reporting double matches on stderr); returns the opcodes produced.
// Aborts on an inconsistent row.
int expandPatternRows(const PatternRow* rows, int rowCount, const MnemonicRow* mnemonics, InstrEntry* table);
// Links every opcode to the lowest opcode of its handler class; returns the number of classes.
// Aborts on an unknown srcType.
int shareHandlers(InstrEntry* table);
