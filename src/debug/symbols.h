// The program's symbols, read from its ELF file (--symbols): code addresses named function+offset
// in the reports, and breakpoints given by name. The same reader gives the disassembler an ELF
// file's sections and their symbols.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cpu68k/exceptions.h"

inline constexpr int SYMBOL_TEXT_SIZE = PLACE_NAME_SIZE - 3; // room for "name+0x12345"; PLACE_NAME_SIZE holds " (...)"
inline constexpr size_t SYMBOL_FILE_LIMIT = 256u << 20; // bigger files are refused
inline constexpr size_t SYMBOL_NAME_LIMIT = 256;        // longer names are printed cut there

// Names are not copied: a file of many symbols sharing one long name must not take its square in memory.
struct Symbol {
  uint32_t address;
  uint32_t size;    // 0: a label, covering up to the next symbol
  const char* name; // zero-terminated, inside the file's bytes
};

struct SymbolTable {
  std::vector<uint8_t> file;   // the ELF file read, which the names point into
  std::vector<Symbol> symbols; // code symbols, sorted by address
};

extern SymbolTable symbolTable;

// Section flags of an ELF file (SHF_WRITE, SHF_EXECINSTR).
inline constexpr uint32_t ELF_SECTION_WRITE = 0x1;
inline constexpr uint32_t ELF_SECTION_CODE = 0x4;

// A section of an ELF file that takes memory and has bytes in the file: code or data.
struct ElfSection {
  const char* name; // inside the file's bytes
  uint32_t address;
  uint32_t flags;
  const uint8_t* bytes; // inside the file's bytes
  uint32_t size;
  std::vector<Symbol> labels; // its named function, object and plain symbols, by address (the end's too)
};

struct ElfImage {
  uint32_t entry;
  std::vector<ElfSection> sections; // by address
};

// Reads the code symbols of a 68000 ELF32 big-endian file; false with a one-line reason in message
// (the table stays empty) when the file cannot be read or is no such file.
bool loadSymbols(const char* path, char* message, int messageSize);
// The same from bytes in memory.
bool loadSymbolsFrom(const uint8_t* bytes, size_t size, char* message, int messageSize);
// True when bytes start as an ELF file does.
bool isElfFile(const uint8_t* bytes, size_t size);
// Reads the sections with bytes that a 68000 ELF32 big-endian file loads, and their symbols, into
// image, which points into bytes; false with a one-line reason in message when the file is no such
// file or is damaged. The symbol table stays as it was.
bool readElfImage(const uint8_t* bytes, size_t size, ElfImage& image, char* message, int messageSize);
// The address of the symbol called name; false when there is none.
bool findSymbol(const char* name, uint32_t* address);
// Writes "name" or "name+0x12" for the symbol covering address; false (text empty) when none does.
bool nameAddress(uint32_t address, char* text, int size);
// " (name+0x12)" for a report's address, or "" without a symbol for it; text has PLACE_NAME_SIZE bytes.
const char* symbolSuffix(uint32_t address, char* text, int size);
