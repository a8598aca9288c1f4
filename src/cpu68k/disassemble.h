// The disassembler: one instruction at a time, in the Motorola syntax the GNU
// m68k assembler takes back (m68k-linux-gnu-as -m68020 --register-prefix-optional),
// made from the pattern rows' own decode entries and mnemonic table.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cpu68k/cpu_state.h"

// Longest instruction: opcode, long immediate, long absolute address.
inline constexpr int MAX_INSTRUCTION_BYTES = 10;
// Room for the text of any instruction, with its terminating zero.
inline constexpr size_t DISASSEMBLY_TEXT_SIZE = 96;

// Writes the instruction whose bytes start at code (at least MAX_INSTRUCTION_BYTES
// readable) and which sits at address into text, cut to size; returns its length in
// bytes. An opcode no row produces gives "dc.w 0xNNNN" and 2.
int disassemble(uint32_t address, const uint8_t* code, char* text, size_t size);

// The same as a listing that assembles back to its bytes needs it, linked at the same address:
// branch targets written from the instruction's address (bra.s .-0x10), and an instruction whose
// text the assembler would make other words of (or.w #1,d0 becomes ori.w) or refuse, as dc.w.
int disassembleExact(uint32_t address, const uint8_t* code, char* text, size_t size);

// The same for the instruction at address in machineMemory, read as the CPU fetches
// it (zero outside the image), without the access rules' warnings.
int disassembleMemory(uint32_t address, char* text, size_t size);
