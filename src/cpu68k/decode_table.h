// The instruction pattern table and its expansion into one decode entry per
// opcode, grouped into classes that share a handler. Used at start-up by
// buildCpuTables and at build time by the handler list generator.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "cpu68k/decode_codes.h"

// Addressing modes as numbered in InstrEntry.
enum AddressingMode : uint32_t {
  MODE_DREG, MODE_AREG, MODE_AIND, MODE_AIPI, MODE_APDI, MODE_AD16, MODE_AD8R, MODE_ABSW, MODE_ABSL,
  MODE_PC16, MODE_PC8R, MODE_IMMD, MODE_IMM0, MODE_IMM1, MODE_IMM2, MODE_IMMI, MODE_NONE
};

// Operand sizes of InstrEntry.size.
inline constexpr uint32_t SIZE_BYTE = 0;
inline constexpr uint32_t SIZE_WORD = 1;
inline constexpr uint32_t SIZE_LONG = 2;

// Mnemonic ids: the names of the mnemonic table.
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
  MN_ROLW = 76, MN_RORW = 77, MN_ROXLW = 78, MN_ROXRW = 79, MN_CHK = 80, MN_TAS = 98,
  // Instructions of later family members: the mnemonic table names them, no
  // pattern row produces them and no handler exists for them.
  MN_CHK2 = 81, MN_MOVEC2 = 82, MN_MOVE2C = 83, MN_CAS = 84, MN_CAS2 = 85, MN_DIVL = 86, MN_MULL = 87,
  MN_BFTST = 88, MN_BFEXTU = 89, MN_BFCHG = 90, MN_BFEXTS = 91, MN_BFCLR = 92, MN_BFFFO = 93, MN_BFSET = 94,
  MN_BFINS = 95, MN_PACK = 96, MN_UNPK = 97, MN_BKPT = 99, MN_CALLM = 100, MN_RTM = 101, MN_TRAPCC = 102,
  MN_MOVES = 103, MN_FPP = 104, MN_FDBCC = 105, MN_FSCC = 106, MN_FTRAPCC = 107, MN_FBCC = 108, MN_FSAVE = 109,
  MN_FRESTORE = 110, MN_MMUOP = 111
};

// True when the ids first..last are exactly the given ones.
constexpr bool rangeHoldsExactly(uint32_t first, uint32_t last, std::initializer_list<uint32_t> ids) {
  if (ids.size() != last - first + 1)
    return false;
  for (const uint32_t* a = ids.begin(); a != ids.end(); ++a) {
    if (*a < first || *a > last)
      return false;
    for (const uint32_t* b = ids.begin(); b != a; ++b)
      if (*a == *b)
        return false;
  }
  return true;
}

// The families the decoder and the handlers pick out by a range of ids.
constexpr bool isBitOperation(uint32_t id) { return id >= MN_BTST && id <= MN_BSET; }
constexpr bool isRegisterShift(uint32_t id) { return id >= MN_ASR && id <= MN_ROXR; }
constexpr bool isMemoryShift(uint32_t id) { return id >= MN_ASRW && id <= MN_ROXRW; }
static_assert(rangeHoldsExactly(MN_BTST, MN_BSET, {MN_BTST, MN_BCHG, MN_BCLR, MN_BSET}));
static_assert(rangeHoldsExactly(MN_ASR, MN_ROXR, {MN_ASR, MN_ASL, MN_LSR, MN_LSL, MN_ROL, MN_ROR, MN_ROXL, MN_ROXR}));
static_assert(rangeHoldsExactly(MN_ASRW, MN_ROXRW,
                                {MN_ASRW, MN_ASLW, MN_LSRW, MN_LSLW, MN_ROLW, MN_RORW, MN_ROXLW, MN_ROXRW}));

// One row of the compiled-in pattern table.
struct PatternRow {
  uint32_t value;         // fixed opcode bits
  uint32_t variableCount; // number of variable bits
  FieldCode letters[16];  // field of each variable bit, most significant first
  uint32_t mask;          // 1 for every fixed bit
  Privilege privilege;
  uint32_t flagInfo[FLAG_COLUMN_COUNT]; // X N Z V C: effect << FLAG_EFFECT_SHIFT | use
  const char* text;       // mnemonic, size suffix and operands
};

// One row of the mnemonic table; the table ends with an empty name.
struct MnemonicRow {
  uint32_t id;
  const char* name;
};

// One decode entry per opcode (16 bytes). "src" is the first operand of the
// row text and "dst" the second, whatever their roles: a one-operand row's
// destination is its src. The dispatch build reads mnemonic, cc, size, the
// modes, srcType, the Used bits and the positions; nothing at run time reads
// privilege, flagsSet, flagsUsed, dstReg or srcReg (the tests check the rows
// through privilege and flagsSet).
struct InstrEntry {
  uint32_t mnemonic : 8;  // MnemonicId; MN_ILLEGAL where no instruction
  uint32_t cc : 4;        // condition field
  uint32_t privilege : 2; // Privilege of the row
  uint32_t size : 2;
  uint32_t srcMode : 5;   // AddressingMode
  uint32_t srcType : 3;   // SourceType
  uint32_t dstMode : 5;
  uint32_t srcUsed : 1;
  uint32_t dstUsed : 1;
  uint32_t produced : 1;  // a row produced this opcode; 0 marks an empty entry, also apart from ILLEGAL
  uint32_t flagsSet : 8;  // bit per flag column that the instruction may change
  uint32_t flagsUsed : 8; // bit per flag column that the instruction may read
  uint32_t spare : 16;
  uint8_t dstReg;
  uint8_t srcReg;
  uint8_t dstPos;         // opcode bit of the field, NO_FIELD when none
  uint8_t srcPos;
  int32_t representative; // lowest opcode of the class; NO_REPRESENTATIVE for that opcode itself and when empty
};
static_assert(sizeof(InstrEntry) == 16, "InstrEntry is 16 bytes");

inline constexpr uint8_t NO_FIELD = 0xFF;
inline constexpr int32_t NO_REPRESENTATIVE = -1;

// The pattern table and its length, counted from the array itself.
extern const PatternRow patternRows[];
extern const int PATTERN_ROW_COUNT;
extern const MnemonicRow mnemonicTable[];

// What an expansion found.
struct Expansion {
  int produced;      // opcodes the rows produced, each double match counted again
  int doubleMatches; // opcodes a second row produced; the later row stands
};

// Sets every entry of a 65536-entry table to empty: produced by no row, no representative.
void clearDecodeTable(InstrEntry* table);
// Expands rows into the table, printing each double match on stderr; aborts on an inconsistent row.
Expansion expandPatternRows(const PatternRow* rows, int rowCount, const MnemonicRow* mnemonics, InstrEntry* table);
// Links every opcode to the lowest opcode of its handler class; returns the number of classes.
// Aborts on an unknown srcType.
int shareHandlers(InstrEntry* table);
