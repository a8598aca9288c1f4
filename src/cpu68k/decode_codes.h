// The codes of the pattern table's columns: field letters of the bit pattern,
// the flag effect and use letters, privilege levels and the kinds of quick
// operand fields. The rows (pattern_rows.cpp), the expansion
// (decode_build.cpp) and the tests all name them from here.
#pragma once
#include <cstdint>

// The field a variable bit of a row's bit pattern belongs to, by its letter.
enum FieldCode : uint8_t {
  FIELD_NONE,               // no field letter
  FIELD_CONDITION,          // c: condition of DBcc and Scc
  FIELD_BRANCH_CONDITION,   // C: condition of Bcc; its value 1 is BSR's line and produces nothing
  FIELD_DIRECTION,          // f: shift direction, 0 right, 1 left
  FIELD_DATA,               // i: 8-bit signed data (MOVEQ)
  FIELD_DISPLACEMENT,       // I: 8-bit branch displacement; 0 and 0xFF select the longer forms
  FIELD_QUICK,              // j: 3-bit quick value, 0 meaning 8
  FIELD_TRAP,               // J: 4-bit trap number
  FIELD_SMALL_IMMEDIATE,    // k: 3-bit immediate; no row of this board has one
  FIELD_WIDE_IMMEDIATE,     // K: 6-bit immediate; no row of this board has one
  FIELD_SOURCE_MODE,        // s: mode of the source effective address
  FIELD_SOURCE_REGISTER,    // S: register of the source effective address
  FIELD_DEST_MODE,          // d: mode of the destination effective address
  FIELD_DEST_REGISTER,      // D: register of the destination effective address
  FIELD_REGISTER,           // r: register number
  FIELD_SECOND_REGISTER,    // R: a second register number (shifts)
  FIELD_SIZE,               // z: size 0 byte, 1 word, 2 long
  FIELD_COUNT
};

// The field of a letter of a bit pattern or of an operand; FIELD_NONE for any other character.
constexpr FieldCode fieldOfLetter(char letter) {
  switch (letter) {
  case 'c': return FIELD_CONDITION;
  case 'C': return FIELD_BRANCH_CONDITION;
  case 'f': return FIELD_DIRECTION;
  case 'i': return FIELD_DATA;
  case 'I': return FIELD_DISPLACEMENT;
  case 'j': return FIELD_QUICK;
  case 'J': return FIELD_TRAP;
  case 'k': return FIELD_SMALL_IMMEDIATE;
  case 'K': return FIELD_WIDE_IMMEDIATE;
  case 's': return FIELD_SOURCE_MODE;
  case 'S': return FIELD_SOURCE_REGISTER;
  case 'd': return FIELD_DEST_MODE;
  case 'D': return FIELD_DEST_REGISTER;
  case 'r': return FIELD_REGISTER;
  case 'R': return FIELD_SECOND_REGISTER;
  case 'z': return FIELD_SIZE;
  default: return FIELD_NONE;
  }
}

// The flag columns of a row, in this order: X N Z V C. Bit n of a decode
// entry's flagsSet and flagsUsed stands for column n.
inline constexpr int FLAG_COLUMN_COUNT = 5;
inline constexpr char FLAG_LETTERS[FLAG_COLUMN_COUNT] = {'X', 'N', 'Z', 'V', 'C'};
// flagsSet or flagsUsed of a row that may touch any flag.
inline constexpr uint32_t EVERY_FLAG_COLUMN = 0xFF;

// Effect column: what the instruction does to one flag.
enum FlagEffect : uint32_t {
  EFFECT_COMPUTED,  // the flag's own letter: set from the result
  EFFECT_KEPT,      // '-': left alone
  EFFECT_CLEARED,   // '0'
  EFFECT_SET,       // '1'
  EFFECT_UNDEFINED, // '?': changed to a value the row does not describe
  EFFECT_ANY,       // 'u': the row may change every flag
  EFFECT_JUMP,      // 'j': control goes elsewhere; the instruction itself leaves the flag
};

// Use column: whether the instruction reads one flag.
enum FlagUse : uint32_t {
  USE_READ,      // the flag's own letter
  USE_NONE,      // '-'
  USE_CONDITION, // 'c': read through the condition field
  USE_ANY,       // 'u': the row may read every flag
  USE_JUMP,      // 'j': the code jumped to may read it
};

// A row stores each flag column as effect << FLAG_EFFECT_SHIFT | use.
inline constexpr uint32_t FLAG_EFFECT_SHIFT = 3;
inline constexpr uint32_t FLAG_USE_MASK = (1u << FLAG_EFFECT_SHIFT) - 1;

constexpr FlagEffect effectOfLetter(char letter, char flag) {
  if (letter == flag)
    return EFFECT_COMPUTED;
  switch (letter) {
  case '-': return EFFECT_KEPT;
  case '0': return EFFECT_CLEARED;
  case '1': return EFFECT_SET;
  case '?': return EFFECT_UNDEFINED;
  case 'u': return EFFECT_ANY;
  default: return EFFECT_JUMP;
  }
}

constexpr FlagUse useOfLetter(char letter, char flag) {
  if (letter == flag)
    return USE_READ;
  switch (letter) {
  case '-': return USE_NONE;
  case 'c': return USE_CONDITION;
  case 'u': return USE_ANY;
  default: return USE_JUMP;
  }
}

// Privilege column of a row.
enum Privilege : uint32_t {
  PRIVILEGE_NONE,       // runs in user mode
  PRIVILEGE_LATER_CPUS, // privileged on later family members only: MOVE from SR, which runs in user mode here
  PRIVILEGE_SUPERVISOR, // takes the privilege-violation vector in user mode
};

// What the opcode field of a decode entry's first operand holds; the sharing
// pass varies that field over SOURCE_FIELD_BITS bits.
enum SourceType : uint32_t {
  SOURCE_REGISTER,        // a register field, or no field at all
  SOURCE_DATA,            // i or I: 8-bit data or displacement
  SOURCE_TRAP,            // J: trap number
  SOURCE_QUICK,           // j: quick value
  SOURCE_SMALL_IMMEDIATE, // k; no row of this board produces it
  SOURCE_WIDE_IMMEDIATE,  // K; no row of this board produces it
  SOURCE_TYPE_COUNT
};
inline constexpr uint32_t REGISTER_FIELD_BITS = 3;
inline constexpr uint32_t SOURCE_FIELD_BITS[SOURCE_TYPE_COUNT] = {REGISTER_FIELD_BITS, 8, 4, 3, 3, 6};
