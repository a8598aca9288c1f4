// The disassembler. Every opcode is decoded by the same pattern rows and
// mnemonic table as the CPU's dispatch table; what is here only spells the
// decode entries the way the GNU assembler reads them back: its names where the
// decode table's differ, the explicit forms that keep an encoding (addi, addq,
// moveq, (0x1234).w, (0.w,a0)), and branch targets as absolute addresses. The exact form
// is for a listing to assemble back: every text gives back its own words there.
#include "cpu68k/disassemble.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "cpu68k/decode_table.h"

namespace {

inline constexpr int CONDITION_COUNT = 16;
// The conditions as Bcc, DBcc and Scc spell them; Bcc spells condition 0 "ra".
const char* const CONDITION_NAMES[CONDITION_COUNT] = {"t",  "f",  "hi", "ls", "cc", "cs", "ne", "eq",
                                                      "vc", "vs", "pl", "mi", "ge", "lt", "gt", "le"};
const char* const ALWAYS_BRANCH_NAME = "bra";
const char* const CONDITION_SUFFIX = "cc"; // how the mnemonic table marks a condition field
const char SIZE_LETTERS[] = {'b', 'w', 'l'};
const char SHORT_BRANCH_LETTER = 's'; // a byte displacement is written .s

// Where an instruction's register that has no field goes among its operands.
enum ImplicitPlace { IMPLICIT_NONE, IMPLICIT_FIRST, IMPLICIT_LAST };

// The assembler's names where the decode table's differ. An implicit register
// "sr" is "ccr" in a byte-sized instruction.
struct AssemblerName {
  MnemonicId id;
  const char* name;
  const char* implicitRegister;
  ImplicitPlace place;
};
const AssemblerName RENAMES[] = {
    {MN_ORSR, "ori", "sr", IMPLICIT_LAST},          {MN_ANDSR, "andi", "sr", IMPLICIT_LAST},
    {MN_EORSR, "eori", "sr", IMPLICIT_LAST},        {MN_MV2SR, "move", "sr", IMPLICIT_LAST},
    {MN_MVSR2, "move", "sr", IMPLICIT_FIRST},       {MN_MVR2USP, "move", "usp", IMPLICIT_LAST},
    {MN_MVUSP2R, "move", "usp", IMPLICIT_FIRST},    {MN_MVPMR, "movep", nullptr, IMPLICIT_NONE},
    {MN_MVPRM, "movep", nullptr, IMPLICIT_NONE},    {MN_MVMEL, "movem", nullptr, IMPLICIT_NONE},
    {MN_MVMLE, "movem", nullptr, IMPLICIT_NONE},
};
const char* const STATUS_REGISTER = "sr";
const char* const CONDITION_CODE_REGISTER = "ccr";

// Instructions the assembler takes without a size (besides those without operands,
// the bit operations, Bcc's condition forms and moveq).
const MnemonicId UNSIZED[] = {MN_UNLK, MN_EXG, MN_ABCD, MN_SBCD, MN_TRAP, MN_STOP, MN_RTD, MN_LEA, MN_PEA,
                              MN_JMP,  MN_JSR, MN_SWAP, MN_TAS,  MN_NBCD, MN_DBCC, MN_SCC};

// Opcode line (bits 15-12) of the immediate instructions: ORI, ANDI, SUBI, ADDI, EORI, CMPI.
inline constexpr uint32_t IMMEDIATE_LINE = 0;
inline constexpr uint32_t LINE_SHIFT = 12;

// Brief extension word: index register in bits 15-12, long index in bit 11, displacement in 7-0.
inline constexpr uint32_t INDEX_REGISTER_SHIFT = 12;
inline constexpr uint32_t INDEX_REGISTER_MASK = 15;
inline constexpr uint32_t INDEX_LONG = 0x800;
inline constexpr uint32_t INDEX_IGNORED_BITS = 0x700; // the 68000 ignores them; the assembler writes 0
inline constexpr uint32_t REGISTERS_PER_BANK = 8;
inline constexpr uint32_t BYTE_MASK = 0xFF;
inline constexpr uint32_t MASK_BITS = 16; // registers of a MOVEM mask
inline constexpr uint32_t SMALLEST_HEX = 10; // numbers below it are written in decimal
inline constexpr size_t NAME_SIZE = 16;       // room for any assembler name with its size suffix

// Text being written, cut at its end.
struct Text {
  char* at;
  char* end;
};

void append(Text& t, const char* format, ...) __attribute__((format(printf, 2, 3)));
void append(Text& t, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(t.at, size_t(t.end - t.at), format, args);
  va_end(args);
  if (n > 0)
    t.at += n < t.end - t.at ? n : t.end - t.at - 1;
}

// Numbers below ten in decimal, the others in hex with 0x.
void appendNumber(Text& t, uint32_t v) {
  if (v < SMALLEST_HEX)
    append(t, "%u", v);
  else
    append(t, "0x%x", v);
}

void appendSigned(Text& t, int32_t v) {
  if (v < 0)
    append(t, "-");
  appendNumber(t, v < 0 ? 0u - uint32_t(v) : uint32_t(v));
}

// The instruction's words after the opcode, read in order.
struct Stream {
  uint32_t address; // of the opcode
  const uint8_t* code;
  int length;       // bytes read so far
  bool unwritable;  // the assembler cannot make these words from any text: list them as data
  bool exact;       // branch targets from the instruction's address, for a listing to assemble back
};

uint32_t nextWord(Stream& s) {
  const uint32_t v = uint32_t(s.code[s.length]) << 8 | s.code[s.length + 1];
  s.length += INSTRUCTION_WORD_BYTES;
  return v;
}

uint32_t nextLong(Stream& s) {
  const uint32_t high = nextWord(s);
  return high << 16 | nextWord(s);
}

// (d8,base,Xn.size) from a brief extension word.
void appendIndexed(Text& t, Stream& s, const char* base) {
  const uint32_t extension = nextWord(s);
  s.unwritable = s.unwritable || (extension & INDEX_IGNORED_BITS);
  const uint32_t index = extension >> INDEX_REGISTER_SHIFT & INDEX_REGISTER_MASK;
  append(t, "(");
  appendSigned(t, int8_t(extension));
  append(t, ",%s,%c%u.%c)", base, index < REGISTERS_PER_BANK ? 'd' : 'a', index % REGISTERS_PER_BANK,
         extension & INDEX_LONG ? 'l' : 'w');
}

// A MOVEM mask: bit 0 is d0 and bit 15 a7, the other way round for -(An).
void appendRegisterList(Text& t, uint32_t mask, bool reversed) {
  if (reversed) {
    uint32_t turned = 0;
    for (uint32_t b = 0; b < MASK_BITS; ++b)
      turned |= (mask >> b & 1) << (MASK_BITS - 1 - b);
    mask = turned;
  }
  if (mask == 0) {
    append(t, "#0");
    return;
  }
  const char* separator = "";
  for (uint32_t bank = 0; bank < 2; ++bank) {
    const char letter = bank ? 'a' : 'd';
    const uint32_t bits = mask >> (bank * REGISTERS_PER_BANK) & BYTE_MASK;
    for (uint32_t r = 0; r < REGISTERS_PER_BANK; ++r) {
      if (!(bits >> r & 1))
        continue;
      uint32_t last = r;
      while (last + 1 < REGISTERS_PER_BANK && bits >> (last + 1) & 1)
        ++last;
      append(t, "%s%c%u", separator, letter, r);
      if (last > r)
        append(t, "-%c%u", letter, last);
      separator = "/";
      r = last;
    }
  }
}

bool isBranch(uint32_t id) { return id == MN_BCC || id == MN_BSR || id == MN_DBCC; }

// A byte immediate in its extension word. The assembler writes a high byte of 0, or of 0xFF for a
// negative value (#-16 is 0xfff0); any other high byte has no text.
void appendByteImmediate(Text& t, Stream& s, bool signedForm) {
  const uint32_t word = nextWord(s);
  const uint32_t high = word >> 8, low = word & BYTE_MASK;
  if (signedForm && high == BYTE_MASK && (low & 0x80))
    appendSigned(t, int8_t(low));
  else
    appendNumber(t, low);
  s.unwritable = s.unwritable || !(high == 0 || (signedForm && high == BYTE_MASK && (low & 0x80)));
}

// The operands whose value sits in the opcode or after it and whose meaning the
// instruction gives: branch targets, MOVEM masks, displacements, quick values.
void appendInstructionImmediate(Text& t, Stream& s, const InstrEntry& e, uint32_t mode, uint32_t value,
                                uint32_t otherMode) {
  const uint32_t id = e.mnemonic;
  if (isBranch(id)) {
    const uint32_t base = s.address + INSTRUCTION_WORD_BYTES; // the PC after the opcode
    const uint32_t displacement =
        mode == MODE_IMMI ? uint32_t(int8_t(value)) : mode == MODE_IMM1 ? uint32_t(int16_t(nextWord(s))) : nextLong(s);
    // The assembler takes an absolute DBcc target as displacement 0, and an absolute short branch
    // target only in a section linked at 0: they are written from the instruction's own address.
    if (id == MN_DBCC || s.exact) {
      append(t, ".");
      const int32_t offset = int32_t(base + displacement - s.address);
      append(t, offset < 0 ? "" : "+");
      appendSigned(t, offset);
      return;
    }
    appendNumber(t, base + displacement);
    return;
  }
  if (id == MN_MVMEL || id == MN_MVMLE) {
    appendRegisterList(t, nextWord(s), otherMode == MODE_APDI);
    return;
  }
  append(t, "#");
  if (id == MN_LINK || id == MN_RTD)
    appendSigned(t, int16_t(nextWord(s)));
  else if (id == MN_MOVE)
    appendSigned(t, int8_t(value));
  else if (mode == MODE_IMM1 && (isBitOperation(id) || e.size == SIZE_BYTE))
    appendByteImmediate(t, s, !isBitOperation(id)); // the CPU ignores the high byte
  else if (mode == MODE_IMM1)
    appendNumber(t, nextWord(s));
  else if (mode == MODE_IMM2)
    appendNumber(t, nextLong(s));
  else
    appendNumber(t, mode == MODE_IMMI ? value : 0); // IMM0: an immediate zero no row uses
}

void appendOperand(Text& t, Stream& s, const InstrEntry& e, uint32_t mode, uint32_t reg, uint32_t size,
                   uint32_t otherMode) {
  char base[sizeof "a7"];
  snprintf(base, sizeof base, "a%u", reg % REGISTERS_PER_BANK);
  switch (mode) {
  case MODE_DREG: append(t, "d%u", reg); break;
  case MODE_AREG: append(t, "%s", base); break;
  case MODE_AIND: append(t, "(%s)", base); break;
  case MODE_AIPI: append(t, "(%s)+", base); break;
  case MODE_APDI: append(t, "-(%s)", base); break;
  case MODE_AD16:
  case MODE_PC16: {
    const int32_t displacement = int16_t(nextWord(s));
    append(t, "(");
    if (displacement == 0 && mode == MODE_AD16)
      append(t, "0.w"); // a bare 0 would become (An)
    else
      appendSigned(t, displacement);
    append(t, ",%s)", mode == MODE_AD16 ? base : "pc");
    break;
  }
  case MODE_AD8R: appendIndexed(t, s, base); break;
  case MODE_PC8R: appendIndexed(t, s, "pc"); break;
  case MODE_ABSW:
    append(t, "(");
    appendNumber(t, nextWord(s));
    append(t, ").w");
    break;
  case MODE_ABSL:
    append(t, "(");
    appendNumber(t, nextLong(s));
    append(t, ").l");
    break;
  case MODE_IMMD:
    append(t, "#");
    if (size == SIZE_BYTE)
      appendByteImmediate(t, s, true);
    else
      appendNumber(t, size == SIZE_LONG ? nextLong(s) : nextWord(s));
    break;
  default: appendInstructionImmediate(t, s, e, mode, reg, otherMode); break;
  }
}

const char* tableName(uint32_t id) {
  for (const MnemonicRow* m = mnemonicTable; m->name[0]; ++m)
    if (m->id == id)
      return m->name;
  abort();
}

const AssemblerName* renameOf(uint32_t id) {
  for (const AssemblerName& r : RENAMES)
    if (r.id == id)
      return &r;
  return nullptr;
}

bool isUnsized(const InstrEntry& e) {
  for (const MnemonicId id : UNSIZED)
    if (id == e.mnemonic)
      return true;
  return !e.srcUsed || isBitOperation(e.mnemonic);
}

// The assembler's name of the instruction with its size suffix.
void appendName(Text& t, const InstrEntry& e, uint32_t opcode, const AssemblerName* rename, uint32_t size) {
  const uint32_t id = e.mnemonic;
  const bool quick = e.srcMode == MODE_IMMI;
  char name[NAME_SIZE];
  snprintf(name, sizeof name, "%s", rename ? rename->name : tableName(id));
  for (char* c = name; *c; ++c)
    *c = char(tolower(*c));
  size_t length = strlen(name);
  if (isMemoryShift(id))
    name[--length] = 0; // ASRW is asr.w
  const size_t stem = length - strlen(CONDITION_SUFFIX);
  if (length > strlen(CONDITION_SUFFIX) && strcmp(name + stem, CONDITION_SUFFIX) == 0)
    snprintf(name + stem, sizeof name - stem, "%s", CONDITION_NAMES[e.cc]);
  if (id == MN_BCC && e.cc == 0)
    snprintf(name, sizeof name, "%s", ALWAYS_BRANCH_NAME);

  if (quick && id == MN_MOVE) {
    append(t, "moveq");
    return;
  }
  if (quick && (id == MN_ADD || id == MN_ADDA))
    append(t, "addq");
  else if (quick && (id == MN_SUB || id == MN_SUBA))
    append(t, "subq");
  else if (id == MN_EXT && size == SIZE_BYTE)
    append(t, "extb");
  else
    append(t, "%s%s", name, e.srcMode == MODE_IMMD && opcode >> LINE_SHIFT == IMMEDIATE_LINE ? "i" : "");
  if (id == MN_EXT && size == SIZE_BYTE)
    size = SIZE_LONG;
  if ((id == MN_BCC || id == MN_BSR) && size == SIZE_BYTE)
    append(t, ".%c", SHORT_BRANCH_LETTER);
  else if (!isUnsized(e))
    append(t, ".%c", SIZE_LETTERS[size]);
}

// A private expansion of the pattern rows, made on first use: the disassembler
// needs no dispatch table, and the CPU's own table may not be built.
const InstrEntry* disassemblyTable() {
  static InstrEntry* table = nullptr;
  if (!table) {
    table = static_cast<InstrEntry*>(calloc(OPCODE_COUNT, sizeof(InstrEntry)));
    if (!table)
      abort();
    clearDecodeTable(table);
    expandPatternRows(patternRows, PATTERN_ROW_COUNT, mnemonicTable, table);
  }
  return table;
}

// Texts the assembler makes other words of: OR, AND, ADD, SUB and CMP #imm,Dn become ORI, ANDI,
// ADDI or ADDQ, SUBI or SUBQ and CMPI, MOVE.L #imm,Dn becomes MOVEQ for a byte's value; and texts
// it refuses, as no 68000 instruction: BCHG, BCLR, BSET on a PC-relative operand, BTST #n,#imm.
bool assemblesOtherwise(const InstrEntry& e, uint32_t opcode, const uint8_t* code) {
  const uint32_t id = e.mnemonic;
  const bool arithmetic = id == MN_OR || id == MN_AND || id == MN_ADD || id == MN_SUB || id == MN_CMP;
  const bool toDataRegister = e.srcMode == MODE_IMMD && e.dstMode == MODE_DREG;
  if (arithmetic && toDataRegister && opcode >> LINE_SHIFT != IMMEDIATE_LINE)
    return true;
  Stream afterOpcode{0, code, int(INSTRUCTION_WORD_BYTES), false, false};
  const uint32_t immediate = nextLong(afterOpcode);
  if (id == MN_MOVE && toDataRegister && e.size == SIZE_LONG && int32_t(immediate) == int8_t(immediate))
    return true;
  if (isBitOperation(id) && id != MN_BTST && (e.dstMode == MODE_PC16 || e.dstMode == MODE_PC8R))
    return true;
  return id == MN_BTST && e.srcMode == MODE_IMM1 && e.dstMode == MODE_IMMD;
}

int disassembleIn(uint32_t address, const uint8_t* code, char* text, size_t size, bool exact) {
  Stream s{address, code, 0, false, exact};
  const uint32_t opcode = nextWord(s);
  const InstrEntry& e = disassemblyTable()[opcode];
  char line[DISASSEMBLY_TEXT_SIZE];
  Text t{line, line + sizeof line};
  if (!e.produced) {
    append(t, "dc.w 0x%04x", opcode);
  } else {
    const AssemblerName* rename = renameOf(e.mnemonic);
    // MOVE to CCR reads a word although its row is a byte row.
    const uint32_t operandSize = e.mnemonic == MN_MV2SR ? SIZE_WORD : e.size;
    appendName(t, e, opcode, rename, operandSize);
    char first[DISASSEMBLY_TEXT_SIZE] = "", second[DISASSEMBLY_TEXT_SIZE] = "";
    Text a{first, first + sizeof first}, b{second, second + sizeof second};
    if (e.srcUsed)
      appendOperand(a, s, e, e.srcMode, e.srcReg, operandSize, e.dstMode);
    if (e.dstUsed)
      appendOperand(b, s, e, e.dstMode, e.dstReg, operandSize, e.srcMode);
    const char* implicit = nullptr;
    if (rename && rename->implicitRegister)
      implicit = strcmp(rename->implicitRegister, STATUS_REGISTER) == 0 && e.size == SIZE_BYTE
                     ? CONDITION_CODE_REGISTER
                     : rename->implicitRegister;
    // MOVEM from memory: the mask comes first in the words, the list last in the text.
    const bool swapped = e.mnemonic == MN_MVMEL;
    const char* operands[] = {implicit && rename->place == IMPLICIT_FIRST ? implicit : "", swapped ? second : first,
                              swapped ? first : second,
                              implicit && rename->place == IMPLICIT_LAST ? implicit : ""};
    const char* separator = " ";
    for (const char* operand : operands) {
      if (!*operand)
        continue;
      append(t, "%s%s", separator, operand);
      separator = ",";
    }
  }
  if (s.unwritable || (exact && e.produced && assemblesOtherwise(e, opcode, code))) {
    // Every word of the instruction as data, so that the listing assembles back to the same bytes.
    t = Text{line, line + sizeof line};
    append(t, "dc.w");
    for (int i = 0; i < s.length; i += int(INSTRUCTION_WORD_BYTES))
      append(t, "%s0x%02x%02x", i ? "," : " ", code[i], code[i + 1]);
  }
  snprintf(text, size, "%s", line);
  return s.length;
}

} // namespace

int disassemble(uint32_t address, const uint8_t* code, char* text, size_t size) {
  return disassembleIn(address, code, text, size, false);
}

int disassembleExact(uint32_t address, const uint8_t* code, char* text, size_t size) {
  return disassembleIn(address, code, text, size, true);
}

int disassembleMemory(uint32_t address, char* text, size_t size) {
  uint8_t code[MAX_INSTRUCTION_BYTES];
  for (int i = 0; i < MAX_INSTRUCTION_BYTES; i += int(INSTRUCTION_WORD_BYTES)) {
    const uint32_t word = fetchAt(address + uint32_t(i));
    code[i] = uint8_t(word >> 8);
    code[i + 1] = uint8_t(word);
  }
  return disassemble(address, code, text, size);
}
