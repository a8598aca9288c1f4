// Expansion of the pattern table into decode entries, and the sharing pass
// that groups opcodes differing only in fields a handler reads at run time.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cpu68k/decode_table.h"

namespace {

enum FieldLetter { F_c = 2, F_C, F_f, F_i, F_I, F_j, F_J, F_k, F_K, F_s, F_S, F_d, F_D, F_r, F_R, F_z, FIELD_COUNT };

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

const char* const MODE_NAMES[12] = {"Dreg", "Areg", "Aind", "Aipi", "Apdi", "Ad16",
                                    "Ad8r", "absw", "absl", "PC16", "PC8r", "Immd"};

uint32_t modeByName(const char* name) {
  for (uint32_t m = 0; m < 12; ++m)
    if (strncmp(name, MODE_NAMES[m], 4) == 0)
      return m;
  abort();
}

// Mode from an effective-address pair; false when the pair is no mode.
bool eaMode(int32_t mode, int32_t reg, uint32_t& out) {
  if (mode < 7) {
    out = uint32_t(mode);
    return true;
  }
  if (reg > 4)
    return false;
  out = MODE_ABSW + uint32_t(reg);
  return true;
}

// Applies "[...]" after an s or d operand; false skips the candidate.
bool applyRestriction(const char*& p, Operand& op) {
  if (*p != '[')
    return true;
  ++p;
  bool keep;
  if (*p == '!') {
    ++p;
    keep = true;
    for (;;) {
      if (modeByName(p) == op.mode)
        keep = false;
      p += 4;
      if (*p++ == ']')
        break;
    }
  } else if (p[4] == '-') {
    keep = modeByName(p) == op.mode;
    if (keep)
      op.mode = modeByName(p + 5);
    p += 10;
  } else {
    keep = false;
    for (;;) {
      if (modeByName(p) == op.mode)
        keep = true;
      p += 4;
      if (*p++ == ']')
        break;
    }
  }
  return keep;
}

int fieldOfLetter(char c) {
  switch (c) {
  case 'i': return F_i;
  case 'j': return F_j;
  case 'J': return F_J;
  case 'k': return F_k;
  case 'K': return F_K;
  case 'r': return F_r;
  case 'R': return F_R;
  default: abort();
  }
}

// Parses one operand; false skips the candidate.
bool parseOperand(const char*& p, const Fields& f, bool first, uint32_t size, Operand& op) {
  op = {MODE_NONE, -1, -1, 0};
  const char c = *p++;
  if (c == '#') {
    const char k = *p++;
    switch (k) {
    case 'z': op.mode = MODE_IMMD; break;
    case '0': op.mode = MODE_IMM0; break;
    case '1': op.mode = MODE_IMM1; break;
    case '2': op.mode = MODE_IMM2; break;
    case 'i': case 'j': case 'J': case 'k': case 'K': {
      const int field = fieldOfLetter(k);
      op.mode = MODE_IMMI;
      op.reg = k == 'i' ? int32_t(int8_t(f.value[F_i])) : f.value[field];
      if (first) {
        op.pos = f.pos[field];
        op.srcType = k == 'i' ? 1 : k == 'j' ? 3 : k == 'J' ? 2 : k == 'k' ? 4 : 5;
      }
      break;
    }
    default: abort();
    }
  } else if (c == 'D' || c == 'A') {
    const char k = *p++;
    if (k != 'r' && k != 'R')
      abort();
    const int field = fieldOfLetter(k);
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
    const int modeField = c == 's' ? F_s : F_d;
    const int regField = c == 's' ? F_S : F_D;
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

void flagMasks(const PatternRow& row, uint32_t& set, uint32_t& used) {
  set = 0;
  for (int f = 0; f < 5; ++f) {
    const uint32_t effect = row.flagInfo[f] >> 3 & 7;
    if (effect == 5) {
      set = 0xFF;
      break;
    }
    if (effect == 0 || effect == 2 || effect == 3 || effect == 4)
      set |= 1u << f;
  }
  used = 0;
  for (int f = 0; f < 5; ++f) {
    const uint32_t use = row.flagInfo[f] & 7;
    if (use == 3) {
      used = 0xFF;
      break;
    }
    if (use == 0 || use == 2 || use == 4)
      used |= 1u << f;
  }
}

// Forms the candidate opcode n of a row and decodes it; false skips it.
bool expandCandidate(const PatternRow& row, uint32_t n, const MnemonicRow* mnemonics, uint32_t flagsSet,
                     uint32_t flagsUsed, InstrEntry* table) {
  Fields f{};
  uint32_t opcode = row.value;
  int next = int(row.variableCount) - 1;
  int slot = 0;
  for (int bit = 15; bit >= 0; --bit) {
    if (row.mask >> bit & 1)
      continue;
    const uint32_t b = n >> next-- & 1;
    opcode |= b << bit;
    const int letter = row.letters[slot++];
    f.value[letter] = f.value[letter] * 2 + int32_t(b);
    f.pos[letter] = bit;
    ++f.length[letter];
  }
  if (f.present(F_j) && f.value[F_j] == 0)
    f.value[F_j] = 8;
  if (f.value[F_z] == 3 || (f.present(F_C) && f.value[F_C] == 1))
    return false;
  if (f.present(F_I) && (f.value[F_I] == 0 || f.value[F_I] == 0xFF))
    return false;
  if (f.present(F_I)) {
    f.value[F_i] = f.value[F_I];
    f.pos[F_i] = f.pos[F_I];
    f.length[F_i] = f.length[F_I];
  }
  if (f.present(F_C))
    f.value[F_c] = f.value[F_C];

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
      case 'z': size = uint32_t(f.value[F_z]); break;
      default: abort();
      }
    } else if (*p == 'f') {
      if (f.value[F_f] > 1)
        abort();
      name[nameLength++] = f.value[F_f] ? 'L' : 'R';
    } else if (nameLength < 31) {
      name[nameLength++] = *p;
    }
  }
  name[nameLength] = 0;
  while (*p == ' ')
    ++p;

  Operand src{MODE_NONE, -1, -1, 0}, dst{MODE_NONE, -1, -1, 0};
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
  if (e.mnemonic != 0)
    fprintf(stderr, "Double match: %x: %s\n", unsigned(opcode), row.text);
  const uint32_t id = lookUpMnemonic(mnemonics, name);
  if (id >= MN_BTST && id <= MN_BSET)
    size = dst.mode == MODE_DREG ? SIZE_LONG : SIZE_BYTE;
  e.mnemonic = id;
  e.cc = uint32_t(f.value[F_c]) & 15;
  e.privilege = row.privilege & 3;
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
    table[op].representative = -1;
  }
}

int expandPatternRows(const PatternRow* rows, int rowCount, const MnemonicRow* mnemonics, InstrEntry* table) {
  int produced = 0;
  for (int r = 0; r < rowCount; ++r) {
    const PatternRow& row = rows[r];
    uint32_t flagsSet, flagsUsed;
    flagMasks(row, flagsSet, flagsUsed);
    const uint32_t count = 1u << row.variableCount;
    for (uint32_t n = 0; n < count; ++n)
      produced += expandCandidate(row, n, mnemonics, flagsSet, flagsUsed, table);
  }
  return produced;
}

int shareHandlers(InstrEntry* table) {
  int groups = 0;
  for (uint32_t op = 0; op < 65536; ++op) {
    const InstrEntry& e = table[op];
    if (e.mnemonic == 0 || e.representative != -1)
      continue;
    ++groups;
    uint32_t srcCount = 1, srcMask = 0, dstCount = 1, dstMask = 0;
    if (e.srcPos != NO_FIELD) {
      switch (e.srcType) {
      case 0: case 3: case 4: srcCount = 8; srcMask = 7; break;
      case 1: srcCount = 256; srcMask = 0xFF; break;
      case 2: srcCount = 16; srcMask = 0xF; break;
      case 5: srcCount = 64; srcMask = 0x3F; break;
      default: abort();
      }
      srcMask <<= e.srcPos;
    }
    if (e.dstPos != NO_FIELD) {
      dstCount = 8;
      dstMask = 7u << e.dstPos;
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
