#include "debug/symbols.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cpu68k/exceptions.h"
#include "files/file_read.h"

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
// Where the header keeps its fields.
constexpr size_t HEADER_CLASS = 4, HEADER_DATA = 5, HEADER_MACHINE = 18, HEADER_ENTRY = 24, HEADER_SECTIONS = 32,
                 HEADER_SECTION_SIZE = 46, HEADER_SECTION_COUNT = 48, HEADER_SECTION_NAMES = 50;
// Where a section header keeps its fields.
constexpr size_t SECTION_NAME = 0, SECTION_TYPE = 4, SECTION_FLAGS = 8, SECTION_ADDRESS = 12, SECTION_OFFSET = 16,
                 SECTION_SIZE = 20, SECTION_LINK = 24;
// Where a symbol keeps its fields.
constexpr size_t SYMBOL_VALUE = 4, SYMBOL_SIZE = 8, SYMBOL_INFO = 12, SYMBOL_SECTION = 14;
constexpr uint32_t SYMBOL_TYPE_MASK = 0xF;
constexpr uint32_t SECTION_UNUSED = 0;   // SHT_NULL
constexpr uint32_t SECTION_SYMBOLS = 2;  // SHT_SYMTAB
constexpr uint32_t SECTION_NO_BITS = 8;  // SHT_NOBITS
constexpr uint32_t SECTION_LOADED = 0x2; // SHF_ALLOC
constexpr uint32_t SYMBOL_NO_TYPE = 0;
constexpr uint32_t SYMBOL_OBJECT = 1;
constexpr uint32_t SYMBOL_FUNCTION = 2;
constexpr uint32_t SECTION_INDEX_RESERVED = 0xFF00; // and up: absolute, common, ...
constexpr uint64_t ADDRESS_SPACE = uint64_t(1) << 32;

struct ElfView {
  const uint8_t* bytes;
  size_t size;
  uint32_t sectionTable, sectionCount;
};

bool inside(const ElfView& elf, uint64_t offset, uint64_t length) { return offset <= elf.size && length <= elf.size - offset; }
uint32_t half(const ElfView& elf, size_t at) { return uint32_t(elf.bytes[at]) << 8 | elf.bytes[at + 1]; }
uint32_t word(const ElfView& elf, size_t at) { return half(elf, at) << 16 | half(elf, at + 2); }
uint32_t sectionField(const ElfView& elf, uint32_t index, size_t field) {
  return word(elf, elf.sectionTable + size_t(index) * SECTION_HEADER_SIZE + field);
}

bool refuse(char* message, int messageSize, const char* reason) {
  snprintf(message, size_t(messageSize), "%s", reason);
  symbolTable = SymbolTable{};
  exceptionWatch.placeName = nullptr;
  return false;
}

// Checks the header and finds the section table; the reason the file is refused, or nullptr.
const char* openElf(ElfView& elf) {
  if (!isElfFile(elf.bytes, elf.size) || elf.size < ELF_HEADER_SIZE)
    return "not an ELF file";
  if (elf.bytes[HEADER_CLASS] != ELF_CLASS_32 || elf.bytes[HEADER_DATA] != ELF_DATA_BIG ||
      half(elf, HEADER_MACHINE) != ELF_MACHINE_68K)
    return "not a 32-bit big-endian 68000 ELF file";
  elf.sectionTable = word(elf, HEADER_SECTIONS);
  elf.sectionCount = half(elf, HEADER_SECTION_COUNT);
  if (half(elf, HEADER_SECTION_SIZE) != SECTION_HEADER_SIZE ||
      !inside(elf, elf.sectionTable, uint64_t(elf.sectionCount) * SECTION_HEADER_SIZE))
    return "truncated or damaged section table";
  return nullptr;
}

// The zero-terminated name at offset in the string table of tableSize bytes at tableAt (inside the
// file), or nullptr outside the table. A table ends with a zero byte, which ends every name in it
// without a search along the name: a table that does not gives nullptr too.
const char* nameAt(const ElfView& elf, uint32_t tableAt, uint32_t tableSize, uint32_t offset) {
  if (offset >= tableSize || elf.bytes[tableAt + tableSize - 1] != 0)
    return nullptr;
  return reinterpret_cast<const char*>(elf.bytes + tableAt + offset);
}

// Calls take(symbol, section index) for every named symbol of the symbol tables whose type and
// section index wanted(type, index) accepts; the reason the file is refused, or nullptr. Symbol
// tables never share bytes: together they are no bigger than the file, nor are the symbols read.
template <typename Wanted, typename Take>
const char* forEachSymbol(const ElfView& elf, Wanted wanted, Take take) {
  uint64_t tablesSize = 0;
  for (uint32_t s = 0; s < elf.sectionCount; ++s) {
    if (sectionField(elf, s, SECTION_TYPE) != SECTION_SYMBOLS)
      continue;
    const uint32_t offset = sectionField(elf, s, SECTION_OFFSET), length = sectionField(elf, s, SECTION_SIZE);
    const uint32_t link = sectionField(elf, s, SECTION_LINK);
    if (!inside(elf, offset, length) || link >= elf.sectionCount)
      return "truncated or damaged symbol table";
    tablesSize += length;
    if (tablesSize > elf.size)
      return "symbol tables share bytes of the file";
    const uint32_t namesAt = sectionField(elf, link, SECTION_OFFSET);
    const uint32_t namesSize = sectionField(elf, link, SECTION_SIZE);
    if (!inside(elf, namesAt, namesSize))
      return "truncated or damaged symbol names";
    for (size_t at = offset; at + SYMBOL_ENTRY_SIZE <= uint64_t(offset) + length; at += SYMBOL_ENTRY_SIZE) {
      const uint32_t name = word(elf, at), type = elf.bytes[at + SYMBOL_INFO] & SYMBOL_TYPE_MASK;
      const uint32_t index = half(elf, at + SYMBOL_SECTION);
      if (!wanted(type, index) || name == 0 || name >= namesSize)
        continue;
      const Symbol symbol{word(elf, at + SYMBOL_VALUE), word(elf, at + SYMBOL_SIZE),
                          nameAt(elf, namesAt, namesSize, name)};
      if (!symbol.name)
        return "a symbol name runs past its table";
      take(symbol, index);
    }
  }
  return nullptr;
}

// True when section index names a section holding code.
bool codeSection(const ElfView& elf, uint32_t index) {
  if (index == 0 || index >= elf.sectionCount)
    return false;
  return (sectionField(elf, index, SECTION_FLAGS) & ELF_SECTION_CODE) &&
         sectionField(elf, index, SECTION_TYPE) != SECTION_NO_BITS;
}

// The sections the program loads with bytes from the file, in file order; listed[i] is where
// section i went, or -1. The reason the file is refused, or nullptr. Sections with bytes never share
// them: together they are no bigger than the file, nor is a listing of them.
const char* readSections(const ElfView& elf, ElfImage& image, std::vector<int>& listed) {
  listed.assign(elf.sectionCount, -1);
  const uint32_t names = half(elf, HEADER_SECTION_NAMES);
  const bool haveNames = names < elf.sectionCount;
  const uint32_t namesAt = haveNames ? sectionField(elf, names, SECTION_OFFSET) : 0;
  const uint32_t namesSize = haveNames ? sectionField(elf, names, SECTION_SIZE) : 0;
  if (!inside(elf, namesAt, namesSize))
    return "truncated or damaged section names";
  uint64_t loadedSize = 0;
  for (uint32_t s = 0; s < elf.sectionCount; ++s) {
    const uint32_t type = sectionField(elf, s, SECTION_TYPE), flags = sectionField(elf, s, SECTION_FLAGS);
    const uint32_t size = sectionField(elf, s, SECTION_SIZE), offset = sectionField(elf, s, SECTION_OFFSET);
    if (!(flags & SECTION_LOADED) || type == SECTION_UNUSED || type == SECTION_NO_BITS || size == 0)
      continue;
    if (!inside(elf, offset, size))
      return "a section lies outside the file";
    loadedSize += size;
    if (loadedSize > elf.size)
      return "sections share bytes of the file";
    const char* name = nameAt(elf, namesAt, namesSize, sectionField(elf, s, SECTION_NAME));
    ElfSection section{name, sectionField(elf, s, SECTION_ADDRESS), flags, elf.bytes + offset, size, {}};
    if (uint64_t(section.address) + size > ADDRESS_SPACE)
      return "a section runs past the end of the address space";
    if (!name)
      return "a section name lies outside its table";
    listed[s] = int(image.sections.size());
    image.sections.push_back(std::move(section));
  }
  return nullptr;
}

// Reads the code symbols of symbolTable.file, which keeps their names; false with the reason in message.
bool readSymbolTable(char* message, int messageSize) {
  ElfView elf{symbolTable.file.data(), symbolTable.file.size(), 0, 0};
  const char* reason = openElf(elf);
  if (!reason)
    reason = forEachSymbol(
        elf,
        [&](uint32_t type, uint32_t index) {
          return (type == SYMBOL_FUNCTION || type == SYMBOL_NO_TYPE) && index < SECTION_INDEX_RESERVED &&
                 codeSection(elf, index);
        },
        [](const Symbol& symbol, uint32_t) { symbolTable.symbols.push_back(symbol); });
  if (!reason && symbolTable.symbols.empty())
    reason = "no code symbols (a stripped file?)";
  if (reason)
    return refuse(message, messageSize, reason);
  exceptionWatch.placeName = symbolSuffix;
  // Functions before labels at the same address, so that a function names it.
  std::stable_sort(symbolTable.symbols.begin(), symbolTable.symbols.end(), [](const Symbol& a, const Symbol& b) {
    return a.address != b.address ? a.address < b.address : a.size > b.size;
  });
  return true;
}
} // namespace

bool isElfFile(const uint8_t* bytes, size_t size) {
  return size >= sizeof ELF_MAGIC && memcmp(bytes, ELF_MAGIC, sizeof ELF_MAGIC) == 0;
}

bool loadSymbolsFrom(const uint8_t* bytes, size_t size, char* message, int messageSize) {
  symbolTable = SymbolTable{};
  symbolTable.file.assign(bytes, bytes + size);
  return readSymbolTable(message, messageSize);
}

bool readElfImage(const uint8_t* bytes, size_t size, ElfImage& image, char* message, int messageSize) {
  image = ElfImage{};
  ElfView elf{bytes, size, 0, 0};
  std::vector<int> listed;
  const char* reason = openElf(elf);
  if (!reason)
    reason = readSections(elf, image, listed);
  if (!reason)
    reason = forEachSymbol(
        elf,
        [&](uint32_t type, uint32_t index) {
          return (type == SYMBOL_FUNCTION || type == SYMBOL_NO_TYPE || type == SYMBOL_OBJECT) &&
                 index < listed.size() && listed[index] >= 0;
        },
        [&](const Symbol& symbol, uint32_t index) {
          // Within the section, its end included (a label after the last byte, such as _etext).
          ElfSection& section = image.sections[size_t(listed[index])];
          if (symbol.address >= section.address && symbol.address - section.address <= section.size)
            section.labels.push_back(symbol);
        });
  if (reason) {
    snprintf(message, size_t(messageSize), "%s", reason);
    image = ElfImage{};
    return false;
  }
  image.entry = word(elf, HEADER_ENTRY);
  const auto byAddress = [](const auto& a, const auto& b) { return a.address < b.address; };
  for (ElfSection& section : image.sections)
    std::stable_sort(section.labels.begin(), section.labels.end(), byAddress);
  std::stable_sort(image.sections.begin(), image.sections.end(), byAddress);
  return true;
}

bool loadSymbols(const char* path, char* message, int messageSize) {
  symbolTable = SymbolTable{};
  if (!readRegularFile(path, SYMBOL_FILE_LIMIT, symbolTable.file)) {
    const bool special = errno == EISDIR || errno == EINVAL;
    snprintf(message, size_t(messageSize), "cannot read symbols from %s: %s", path,
             special ? "not a regular file" : strerror(errno));
    return false;
  }
  char reason[SYMBOL_TEXT_SIZE];
  if (readSymbolTable(reason, sizeof reason))
    return true;
  snprintf(message, size_t(messageSize), "cannot read symbols from %s: %s", path, reason);
  return false;
}

bool findSymbol(const char* name, uint32_t* address) {
  for (const Symbol& symbol : symbolTable.symbols)
    if (strcmp(symbol.name, name) == 0) {
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
  // No more than the limit read of the name: a long one is cut by the text's size anyway.
  const int limit = int(SYMBOL_NAME_LIMIT);
  if (offset)
    snprintf(text, size_t(size), "%.*s+0x%x", limit, symbol.name, offset);
  else
    snprintf(text, size_t(size), "%.*s", limit, symbol.name);
  return true;
}

const char* symbolSuffix(uint32_t address, char* text, int size) {
  char name[SYMBOL_TEXT_SIZE];
  if (!nameAddress(address, name, sizeof name))
    return "";
  snprintf(text, size_t(size), " (%s)", name);
  return text;
}
