// Expansion of the pattern table into decode entries, and the sharing pass
// that groups opcodes differing only in fields a handler reads at run time.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cpu68k/decode_table.h"

namespace {

struct Fields {
  int32_t value[FIELD_COUNT];
  int32_t pos[FIELD_COUNT];
  int32_t length[FIELD_COUNT];
  bool present(int f) const { return length[f] > 0; }
};

struct Operand {
  uint32_t mode;
  int32_t reg;
  int32_t pos;
  uint32_t srcType;
};

// Names of the modes in a row's "[...]" restriction, in AddressingMode order.
inline constexpr uint32_t NAMED_MODE_COUNT = MODE_IMMD + 1;
inline constexpr size_t MODE_NAME_LENGTH = 4;
const char* const MODE_NAMES[NAMED_MODE_COUNT] = {"Dreg", "Areg", "Aind", "Aipi", "Apdi", "Ad16",
                                                  "Ad8r", "absw", "absl", "PC16", "PC8r", "Immd"};

// Mode field 7 takes the mode from the register field (absw, absl, PC16, PC8r,
// Immd); a register field above that is no mode.
inline constexpr int32_t EA_MODE_EXTENDED = 7;
inline constexpr int32_t EA_LAST_EXTENDED_REGISTER = MODE_IMMD - MODE_ABSW;

// Field values that select no instruction or another form.
inline constexpr int32_t SIZE_FIELD_UNUSED = 3;          // z = 3 is no size
inline constexpr int32_t BRANCH_CONDITION_BSR = 1;       // C = 1: the line of BSR, written by its own rows
inline constexpr int32_t DISPLACEMENT_WORD_FORM = 0;     // I = 0: a 16-bit displacement follows
inline constexpr int32_t DISPLACEMENT_LONG_FORM = 0xFF;  // I = 0xFF: a 32-bit displacement follows
inline constexpr int32_t QUICK_ZERO_VALUE = 8;           // j = 0 means 8
inline constexpr uint32_t CONDITION_MASK = 15;

uint32_t modeByName(const char* name) {
  for (uint32_t m = 0; m < NAMED_MODE_COUNT; ++m)
    if (strncmp(name, MODE_NAMES[m], MODE_NAME_LENGTH) == 0)
      return m;
  abort();
}

// Mode from an effective-address pair; false when the pair is no mode.
bool eaMode(int32_t mode, int32_t reg, uint32_t& out) {
  if (mode < EA_MODE_EXTENDED) {
    out = uint32_t(mode);
    return true;
  }
  if (reg > EA_LAST_EXTENDED_REGISTER)
    return false;
  out = MODE_ABSW + uint32_t(reg);
  return true;
}

// Applies "[...]" after an s or d operand: "[A,B]" keeps the listed modes,
// "[!A,B]" drops them, "[A-B]" keeps mode A and turns it into mode B. False
// skips the candidate.
bool applyRestriction(const char*& p, Operand& op) {
  if (*p != '[')
    return true;
  ++p;
  const bool exclude = *p == '!';
  if (exclude)
    ++p;
  if (!exclude && p[MODE_NAME_LENGTH] == '-') {
    const bool keep = modeByName(p) == op.mode;
    if (keep)
      op.mode = modeByName(p + MODE_NAME_LENGTH + 1);
    p += 2 * (MODE_NAME_LENGTH + 1);
    return keep;
  }
  bool listed = false;
  for (;;) {
    if (modeByName(p) == op.mode)
      listed = true;
    p += MODE_NAME_LENGTH;
    if (*p++ == ']')
      break;
  }
  return listed != exclude;
}

// The source type of an immediate operand's field.
SourceType sourceTypeOf(FieldCode field) {
  switch (field) {
  case FIELD_DATA: return SOURCE_DATA;
  case FIELD_TRAP: return SOURCE_TRAP;
  case FIELD_QUICK: return SOURCE_QUICK;
  case FIELD_SMALL_IMMEDIATE: return SOURCE_SMALL_IMMEDIATE;
  case FIELD_WIDE_IMMEDIATE: return SOURCE_WIDE_IMMEDIATE;
  default: abort();
  }
}

// Parses one operand; false skips the candidate.
bool parseOperand(const char*& p, const Fields& f, bool first, uint32_t size, Operand& op) {
  op = {MODE_NONE, -1, -1, SOURCE_REGISTER};
  const char c = *p++;
  if (c == '#') {
    const char k = *p++;
    switch (k) {
    case 'z': op.mode = MODE_IMMD; break;
    case '0': op.mode = MODE_IMM0; break;
    case '1': op.mode = MODE_IMM1; break;
    case '2': op.mode = MODE_IMM2; break;
    case 'i': case 'j': case 'J': case 'k': case 'K': {
      const FieldCode field = fieldOfLetter(k);
      op.mode = MODE_IMMI;
      op.reg = field == FIELD_DATA ? int32_t(int8_t(f.value[field])) : f.value[field];
      if (first) {
        op.pos = f.pos[field];
        op.srcType = sourceTypeOf(field);
      }
      break;
    }
    default: abort();
    }
  } else if (c == 'D' || c == 'A') {
    const char k = *p++;
    if (k != 'r' && k != 'R')
      abort();
    const FieldCode field = fieldOfLetter(k);
    op.mode = c == 'D' ? MODE_DREG : MODE_AREG;
    op.reg = f.value[field];
    op.pos = f.pos[field];
    if (c == 'A' && *p == 'P') {
      op.mode = MODE_AIPI;
      ++p;
    } else if (c == 'A' && *p == 'p') {
      op.mode = MODE_APDI;
      ++p;
    }
  } else if (c == 's' || c == 'd') {
    const FieldCode modeField = c == 's' ? FIELD_SOURCE_MODE : FIELD_DEST_MODE;
    const FieldCode regField = c == 's' ? FIELD_SOURCE_REGISTER : FIELD_DEST_REGISTER;
    if (!eaMode(f.value[modeField], f.value[regField], op.mode))
      return false;
    op.reg = f.value[regField];
    op.pos = op.mode <= MODE_AD8R ? f.pos[regField] : -1;
    if (!applyRestriction(p, op))
      return false;
    if (c == 'd' && (op.mode == MODE_PC16 || op.mode == MODE_PC8R || op.mode == MODE_IMMD))
      return false;
  } else {
    abort();
  }
  const bool keepPos = op.mode <= MODE_AD8R || (first && op.mode == MODE_IMMI);
  if (!keepPos)
    op.pos = -1;
  return !(op.mode == MODE_AREG && size == SIZE_BYTE);
}

uint32_t lookUpMnemonic(const MnemonicRow* mnemonics, const char* name) {
  for (const MnemonicRow* m = mnemonics;; ++m) {
    if (m->name[0] == 0)
      abort();
    if (strcmp(m->name, name) == 0)
      return m->id;
  }
}

// The flag columns a row may change (flagsSet) and may read (flagsUsed).
void flagMasks(const PatternRow& row, uint32_t& set, uint32_t& used) {
  set = 0;
  for (int f = 0; f < FLAG_COLUMN_COUNT; ++f) {
    const uint32_t effect = row.flagInfo[f] >> FLAG_EFFECT_SHIFT;
    if (effect == EFFECT_ANY) {
      set = EVERY_FLAG_COLUMN;
      break;
    }
    if (effect == EFFECT_COMPUTED || effect == EFFECT_CLEARED || effect == EFFECT_SET || effect == EFFECT_UNDEFINED)
      set |= 1u << f;
  }
  used = 0;
  for (int f = 0; f < FLAG_COLUMN_COUNT; ++f) {
    const uint32_t use = row.flagInfo[f] & FLAG_USE_MASK;
    if (use == USE_ANY) {
      used = EVERY_FLAG_COLUMN;
      break;
    }
    if (use == USE_READ || use == USE_CONDITION || use == USE_JUMP)
      used |= 1u << f;
  }
}

// Forms the candidate opcode n of a row and decodes it; false skips it. Counts a double match.
bool expandCandidate(const PatternRow& row, uint32_t n, const MnemonicRow* mnemonics, uint32_t flagsSet,
                     uint32_t flagsUsed, InstrEntry* table, int& doubleMatches) {
  Fields f{};
  uint32_t opcode = row.value;
  int next = int(row.variableCount) - 1;
  int slot = 0;
  for (int bit = 15; bit >= 0; --bit) {
    if (row.mask >> bit & 1)
      continue;
    const uint32_t b = n >> next-- & 1;
    opcode |= b << bit;
    const FieldCode letter = row.letters[slot++];
    f.value[letter] = f.value[letter] * 2 + int32_t(b);
    f.pos[letter] = bit;
    ++f.length[letter];
  }
  if (f.present(FIELD_QUICK) && f.value[FIELD_QUICK] == 0)
    f.value[FIELD_QUICK] = QUICK_ZERO_VALUE;
  if (f.value[FIELD_SIZE] == SIZE_FIELD_UNUSED ||
      (f.present(FIELD_BRANCH_CONDITION) && f.value[FIELD_BRANCH_CONDITION] == BRANCH_CONDITION_BSR))
    return false;
  if (f.present(FIELD_DISPLACEMENT) && (f.value[FIELD_DISPLACEMENT] == DISPLACEMENT_WORD_FORM ||
                                        f.value[FIELD_DISPLACEMENT] == DISPLACEMENT_LONG_FORM))
    return false;
  // A displacement is read like 8-bit data, a branch condition like a condition.
  if (f.present(FIELD_DISPLACEMENT)) {
    f.value[FIELD_DATA] = f.value[FIELD_DISPLACEMENT];
    f.pos[FIELD_DATA] = f.pos[FIELD_DISPLACEMENT];
    f.length[FIELD_DATA] = f.length[FIELD_DISPLACEMENT];
  }
  if (f.present(FIELD_BRANCH_CONDITION))
    f.value[FIELD_CONDITION] = f.value[FIELD_BRANCH_CONDITION];

  uint32_t size = SIZE_LONG;
  char name[32];
  int nameLength = 0;
  const char* p = row.text;
  for (; *p && *p != ' '; ++p) {
    if (*p == '.') {
      ++p;
      switch (*p) {
      case 'B': size = SIZE_BYTE; break;
      case 'W': size = SIZE_WORD; break;
      case 'L': size = SIZE_LONG; break;
      case 'z': size = uint32_t(f.value[FIELD_SIZE]); break;
      default: abort();
      }
    } else if (*p == 'f') {
      if (f.value[FIELD_DIRECTION] > 1)
        abort();
      name[nameLength++] = f.value[FIELD_DIRECTION] ? 'L' : 'R';
    } else if (nameLength < 31) {
      name[nameLength++] = *p;
    }
  }
  name[nameLength] = 0;
  while (*p == ' ')
    ++p;

  Operand src{MODE_NONE, -1, -1, SOURCE_REGISTER}, dst{MODE_NONE, -1, -1, SOURCE_REGISTER};
  bool srcUsed = false, dstUsed = false;
  if (*p) {
    srcUsed = true;
    if (!parseOperand(p, f, true, size, src))
      return false;
    if (*p == ',') {
      ++p;
      dstUsed = true;
      if (!parseOperand(p, f, false, size, dst))
        return false;
    }
  }

  InstrEntry& e = table[opcode];
  if (e.produced) {
    fprintf(stderr, "Double match: %x: %s\n", unsigned(opcode), row.text);
    ++doubleMatches;
  }
  const uint32_t id = lookUpMnemonic(mnemonics, name);
  if (isBitOperation(id))
    size = dst.mode == MODE_DREG ? SIZE_LONG : SIZE_BYTE;
  e.mnemonic = id;
  e.produced = 1;
  e.cc = uint32_t(f.value[FIELD_CONDITION]) & CONDITION_MASK;
  e.privilege = row.privilege;
  e.size = size;
  e.srcMode = src.mode;
  e.srcType = src.srcType;
  e.dstMode = dst.mode;
  e.srcUsed = srcUsed;
  e.dstUsed = dstUsed;
  e.flagsSet = flagsSet;
  e.flagsUsed = flagsUsed;
  e.dstReg = uint8_t(dst.reg);
  e.srcReg = uint8_t(src.reg);
  e.dstPos = dst.pos < 0 ? NO_FIELD : uint8_t(dst.pos);
  e.srcPos = src.pos < 0 ? NO_FIELD : uint8_t(src.pos);
  return true;
}

} // namespace

void clearDecodeTable(InstrEntry* table) {
  for (int op = 0; op < 65536; ++op) {
    table[op] = InstrEntry{};
    table[op].representative = NO_REPRESENTATIVE;
  }
}

Expansion expandPatternRows(const PatternRow* rows, int rowCount, const MnemonicRow* mnemonics, InstrEntry* table) {
  Expansion result{0, 0};
  for (int r = 0; r < rowCount; ++r) {
    const PatternRow& row = rows[r];
    uint32_t flagsSet, flagsUsed;
    flagMasks(row, flagsSet, flagsUsed);
    const uint32_t count = 1u << row.variableCount;
    for (uint32_t n = 0; n < count; ++n)
      result.produced += expandCandidate(row, n, mnemonics, flagsSet, flagsUsed, table, result.doubleMatches);
  }
  return result;
}

int shareHandlers(InstrEntry* table) {
  int groups = 0;
  for (uint32_t op = 0; op < 65536; ++op) {
    const InstrEntry& e = table[op];
    if (e.mnemonic == MN_ILLEGAL || e.representative != NO_REPRESENTATIVE)
      continue;
    ++groups;
    uint32_t srcCount = 1, srcMask = 0, dstCount = 1, dstMask = 0;
    if (e.srcPos != NO_FIELD) {
      if (e.srcType >= SOURCE_TYPE_COUNT)
        abort();
      srcCount = 1u << SOURCE_FIELD_BITS[e.srcType];
      srcMask = (srcCount - 1) << e.srcPos;
    }
    if (e.dstPos != NO_FIELD) {
      dstCount = 1u << REGISTER_FIELD_BITS;
      dstMask = (dstCount - 1) << e.dstPos;
    }
    for (uint32_t a = 0; a < srcCount; ++a) {
      for (uint32_t b = 0; b < dstCount; ++b) {
        uint32_t candidate = op;
        if (srcMask)
          candidate = (candidate & ~srcMask) | (a << e.srcPos & srcMask);
        if (dstMask)
          candidate = (candidate & ~dstMask) | (b << e.dstPos & dstMask);
        candidate &= 0xFFFF;
        InstrEntry& c = table[candidate];
        if (c.mnemonic != e.mnemonic || c.size != e.size || c.srcUsed != e.srcUsed || c.dstUsed != e.dstUsed)
          continue;
        if (e.srcUsed && (c.srcPos != e.srcPos || c.srcMode != e.srcMode || c.srcType != e.srcType))
          continue;
        if (e.dstUsed && (c.dstPos != e.dstPos || c.dstMode != e.dstMode))
          continue;
        if (candidate != op)
          c.representative = int32_t(op);
      }
    }
  }
  return groups;
}
