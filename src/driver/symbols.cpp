#include "driver/symbols.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cpu68k/exceptions.h"
#include "driver/file_read.h"

SymbolTable symbolTable;

namespace {
// ELF32 layout: the header, section headers and symbols, big-endian for the 68000.
constexpr size_t ELF_HEADER_SIZE = 52;
constexpr size_t SECTION_HEADER_SIZE = 40;
constexpr size_t SYMBOL_ENTRY_SIZE = 16;
constexpr uint8_t ELF_MAGIC[4] = {0x7F, 'E', 'L', 'F'};
constexpr uint8_t ELF_CLASS_32 = 1;
constexpr uint8_t ELF_DATA_BIG = 2;
constexpr uint32_t ELF_MACHINE_68K = 4;
constexpr uint32_t SECTION_SYMBOLS = 2;  // SHT_SYMTAB
constexpr uint32_t SECTION_NO_BITS = 8;  // SHT_NOBITS
constexpr uint32_t SECTION_CODE = 0x4;   // SHF_EXECINSTR
constexpr uint32_t SYMBOL_NO_TYPE = 0;
constexpr uint32_t SYMBOL_FUNCTION = 2;
constexpr uint32_t SECTION_INDEX_RESERVED = 0xFF00; // and up: absolute, common, ...

struct ElfView {
  const uint8_t* bytes;
  size_t size;
};

bool inside(const ElfView& elf, uint64_t offset, uint64_t length) { return offset <= elf.size && length <= elf.size - offset; }
uint32_t half(const ElfView& elf, size_t at) { return uint32_t(elf.bytes[at]) << 8 | elf.bytes[at + 1]; }
uint32_t word(const ElfView& elf, size_t at) { return half(elf, at) << 16 | half(elf, at + 2); }

bool refuse(char* message, int messageSize, const char* reason) {
  snprintf(message, size_t(messageSize), "%s", reason);
  symbolTable.symbols.clear();
  exceptionWatch.placeName = nullptr;
  return false;
}

// True when section index names a section holding code.
bool codeSection(const ElfView& elf, uint32_t sectionTable, uint32_t sectionCount, uint32_t index) {
  if (index == 0 || index >= sectionCount)
    return false;
  const size_t at = sectionTable + size_t(index) * SECTION_HEADER_SIZE;
  return (word(elf, at + 8) & SECTION_CODE) && word(elf, at + 4) != SECTION_NO_BITS;
}
} // namespace

bool loadSymbolsFrom(const uint8_t* bytes, size_t size, char* message, int messageSize) {
  symbolTable.symbols.clear();
  const ElfView elf{bytes, size};
  if (size < ELF_HEADER_SIZE || memcmp(bytes, ELF_MAGIC, sizeof ELF_MAGIC) != 0)
    return refuse(message, messageSize, "not an ELF file");
  if (bytes[4] != ELF_CLASS_32 || bytes[5] != ELF_DATA_BIG || half(elf, 18) != ELF_MACHINE_68K)
    return refuse(message, messageSize, "not a 32-bit big-endian 68000 ELF file");
  const uint32_t sectionTable = word(elf, 32);
  const uint32_t sectionCount = half(elf, 48);
  if (half(elf, 46) != SECTION_HEADER_SIZE || !inside(elf, sectionTable, uint64_t(sectionCount) * SECTION_HEADER_SIZE))
    return refuse(message, messageSize, "truncated or damaged section table");
  for (uint32_t s = 0; s < sectionCount; ++s) {
    const size_t header = sectionTable + size_t(s) * SECTION_HEADER_SIZE;
    if (word(elf, header + 4) != SECTION_SYMBOLS)
      continue;
    const uint32_t offset = word(elf, header + 16), length = word(elf, header + 20), link = word(elf, header + 24);
    if (!inside(elf, offset, length) || link >= sectionCount)
      return refuse(message, messageSize, "truncated or damaged symbol table");
    const size_t names = sectionTable + size_t(link) * SECTION_HEADER_SIZE;
    const uint32_t namesAt = word(elf, names + 16), namesSize = word(elf, names + 20);
    if (!inside(elf, namesAt, namesSize))
      return refuse(message, messageSize, "truncated or damaged symbol names");
    for (uint32_t at = offset; at + SYMBOL_ENTRY_SIZE <= uint64_t(offset) + length; at += SYMBOL_ENTRY_SIZE) {
      const uint32_t name = word(elf, at), type = bytes[at + 12] & 0xF, index = half(elf, at + 14);
      if ((type != SYMBOL_FUNCTION && type != SYMBOL_NO_TYPE) || index >= SECTION_INDEX_RESERVED ||
          !codeSection(elf, sectionTable, sectionCount, index) || name == 0 || name >= namesSize)
        continue;
      const char* text = reinterpret_cast<const char*>(bytes + namesAt + name);
      const size_t textLength = strnlen(text, namesSize - name);
      if (textLength == namesSize - name)
        return refuse(message, messageSize, "a symbol name runs past its table");
      symbolTable.symbols.push_back(Symbol{word(elf, at + 4), word(elf, at + 8), std::string(text, textLength)});
    }
  }
  if (symbolTable.symbols.empty())
    return refuse(message, messageSize, "no code symbols (a stripped file?)");
  exceptionWatch.placeName = symbolSuffix;
  // Functions before labels at the same address, so that a function names it.
  std::stable_sort(symbolTable.symbols.begin(), symbolTable.symbols.end(), [](const Symbol& a, const Symbol& b) {
    return a.address != b.address ? a.address < b.address : a.size > b.size;
  });
  return true;
}

bool loadSymbols(const char* path, char* message, int messageSize) {
  std::vector<uint8_t> bytes;
  symbolTable.symbols.clear();
  if (!readRegularFile(path, SYMBOL_FILE_LIMIT, bytes)) {
    const bool special = errno == EISDIR || errno == EINVAL;
    snprintf(message, size_t(messageSize), "cannot read symbols from %s: %s", path,
             special ? "not a regular file" : strerror(errno));
    return false;
  }
  char reason[SYMBOL_TEXT_SIZE];
  if (loadSymbolsFrom(bytes.data(), bytes.size(), reason, sizeof reason))
    return true;
  snprintf(message, size_t(messageSize), "cannot read symbols from %s: %s", path, reason);
  return false;
}

bool findSymbol(const char* name, uint32_t* address) {
  for (const Symbol& symbol : symbolTable.symbols)
    if (symbol.name == name) {
      *address = symbol.address;
      return true;
    }
  return false;
}

bool nameAddress(uint32_t address, char* text, int size) {
  const std::vector<Symbol>& symbols = symbolTable.symbols;
  auto after = std::upper_bound(symbols.begin(), symbols.end(), address,
                                [](uint32_t a, const Symbol& s) { return a < s.address; });
  text[0] = 0;
  if (after == symbols.begin())
    return false;
  // The first symbol of the run of symbols at that address: a function, when there is one.
  const uint32_t at = std::prev(after)->address;
  const Symbol& symbol = *std::lower_bound(symbols.begin(), after, at,
                                           [](const Symbol& s, uint32_t a) { return s.address < a; });
  const uint32_t offset = address - symbol.address;
  if (symbol.size && offset >= symbol.size)
    return false;
  if (offset)
    snprintf(text, size_t(size), "%s+0x%x", symbol.name.c_str(), offset);
  else
    snprintf(text, size_t(size), "%s", symbol.name.c_str());
  return true;
}

const char* symbolSuffix(uint32_t address, char* text, int size) {
  char name[SYMBOL_TEXT_SIZE];
  if (!nameAddress(address, name, sizeof name))
    return "";
  snprintf(text, size_t(size), " (%s)", name);
  return text;
}
