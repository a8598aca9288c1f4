// The exception entry and the handler of opcodes that are no instruction.
#pragma once
#include <cstdint>

inline constexpr uint32_t VECTOR_ILLEGAL = 4;
inline constexpr uint32_t VECTOR_ZERO_DIVIDE = 5;
inline constexpr uint32_t VECTOR_CHK = 6;
inline constexpr uint32_t VECTOR_TRAPV = 7;
inline constexpr uint32_t VECTOR_PRIVILEGE = 8;
inline constexpr uint32_t VECTOR_LINE_A = 10;
inline constexpr uint32_t VECTOR_LINE_F = 11;
inline constexpr uint32_t VECTOR_LEVEL1 = 25;
inline constexpr uint32_t VECTOR_TRAP_BASE = 32;

// Called after every exception taken, with its vector and the handler's address, when set (the
// instruction trace sets it; the plain run leaves it null and pays one test per exception).
struct ExceptionWatch {
  void (*taken)(uint32_t vector, uint32_t handler);
  // " (name+0x12)" for a code address in the illegal instruction's context, or ""; null without symbols.
  const char* (*placeName)(uint32_t address, char* text, int size);
};

// Room for a placeName text.
inline constexpr int PLACE_NAME_SIZE = 96;

extern ExceptionWatch exceptionWatch;

// Pushes the six-byte frame (PC, then SR) on the supervisor stack and jumps through vector n.
void takeException(uint32_t vector);
// OpHandler of every opcode that is no instruction: line A, line F or vector 4 with a message (the
// run's first one also with the code around it and the handler's address).
void illegalInstruction(uint32_t opcode);
// A privileged instruction in user mode: back to the opcode, vector 8.
void privilegeViolation();
