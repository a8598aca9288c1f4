// The ELF reader: symbol names found both ways, damaged files refused without reading outside them,
// and hostile ones read or refused within a small multiple of their size.
#include <gtest/gtest.h>

#include <string>

#include "debug/symbols.h"
#include "host/run_end.h"
#include "support/test_support.h"

namespace {

std::string named(uint32_t address) {
  char text[SYMBOL_TEXT_SIZE];
  const bool found = nameAddress(address, text, sizeof text);
  EXPECT_EQ(found, text[0] != 0);
  return text;
}

TEST(Symbols, CodeAddressesAreNamedFunctionPlusOffset) {
  freshMachine();
  const std::vector<uint8_t> elf = symbolFile({{"spin", 0x410, 2}, {"start", 0x400, 0x10}, {"label", 0x400, 0}});
  char message[128] = "";
  ASSERT_TRUE(loadSymbolsFrom(elf.data(), elf.size(), message, sizeof message)) << message;
  uint32_t address = 0;
  EXPECT_TRUE(findSymbol("spin", &address));
  EXPECT_EQ(address, 0x410u);
  EXPECT_FALSE(findSymbol("spi", &address));
  EXPECT_EQ(named(0x400), "start");
  EXPECT_EQ(named(0x40E), "start+0xe");
  EXPECT_EQ(named(0x411), "spin+0x1");
  EXPECT_EQ(named(0x412), ""); // past spin's end
  EXPECT_EQ(named(0x3FE), "");
}

TEST(Symbols, DamagedFilesAreRefusedWithAReason) {
  const std::vector<uint8_t> elf = symbolFile({{"start", 0x400, 0x10}}, std::vector<uint8_t>(0x10, 0x4E));
  char message[128];
  ElfImage image;
  // Every shorter file is refused by both readers, however it was cut.
  for (size_t size = 0; size < elf.size(); ++size) {
    message[0] = 0;
    EXPECT_FALSE(loadSymbolsFrom(elf.data(), size, message, sizeof message)) << size;
    EXPECT_NE(message[0], 0) << size;
    message[0] = 0;
    EXPECT_FALSE(readElfImage(elf.data(), size, image, message, sizeof message)) << size;
    EXPECT_NE(message[0], 0) << size;
  }
  // The code section's header with a field out of range.
  constexpr size_t SECTION_TABLE = 32, SECTION_HEADER = 40;
  const struct {
    size_t field;
    uint32_t value;
    const char* reason;
  } fields[] = {
      {12, 0xFFFFFFF8, "a section runs past the end of the address space"},
      {16, 0xFFFFFFF0, "a section lies outside the file"},
      {0, 0x7FFFFFFF, "a section name lies outside its table"},
  };
  size_t text = SECTION_HEADER; // the header after the unused one
  for (size_t b = 0; b < 4; ++b)
    text += size_t(elf[SECTION_TABLE + b]) << (24 - 8 * b);
  for (const auto& f : fields) {
    std::vector<uint8_t> bad = elf;
    for (size_t b = 0; b < 4; ++b)
      bad[text + f.field + b] = uint8_t(f.value >> (24 - 8 * b));
    EXPECT_FALSE(readElfImage(bad.data(), bad.size(), image, message, sizeof message)) << f.reason;
    EXPECT_STREQ(message, f.reason);
  }
  std::vector<uint8_t> little = elf;
  little[5] = 1;
  EXPECT_FALSE(loadSymbolsFrom(little.data(), little.size(), message, sizeof message));
  EXPECT_STREQ(message, "not a 32-bit big-endian 68000 ELF file");
  EXPECT_TRUE(symbolTable.symbols.empty());
  const std::vector<uint8_t> none = symbolFile({});
  EXPECT_FALSE(loadSymbolsFrom(none.data(), none.size(), message, sizeof message));
  EXPECT_STREQ(message, "no code symbols (a stripped file?)");
}

// symbolFile's file with count more copies of its section header index (1 .text, 2 .symtab; it writes
// four, last), each size bytes long and named by the string at name when those are not 0.
std::vector<uint8_t> withCopies(std::vector<uint8_t> elf, long index, uint32_t count, uint32_t size, uint32_t name) {
  constexpr long HEADER = 40, HEADERS = 4, SECTION_COUNT = 48, NAME = 0, SIZE = 20, WORD = 4;
  std::vector<uint8_t> copy(elf.end() - (HEADERS - index) * HEADER, elf.end() - (HEADERS - 1 - index) * HEADER);
  for (long b = 0; b < WORD; ++b) {
    copy[SIZE + b] = size ? uint8_t(size >> (8 * (WORD - 1 - b))) : copy[SIZE + b];
    copy[NAME + b] = name ? uint8_t(name >> (8 * (WORD - 1 - b))) : copy[NAME + b];
  }
  for (uint32_t i = 0; i < count; ++i)
    elf.insert(elf.end(), copy.begin(), copy.end());
  elf[SECTION_COUNT] = uint8_t((HEADERS + count) >> 8), elf[SECTION_COUNT + 1] = uint8_t(HEADERS + count);
  return elf;
}

// Each took gigabytes of memory or of listing; now a small multiple of the file's size, read or refused.
TEST(Symbols, HostileFilesAreReadOrRefusedWithinBounds) {
  constexpr uint32_t LONG_NAME_AT = 7;       // symbolFile's first name, after "\0.text\0"
  constexpr size_t OUTPUT_PER_FILE_BYTE = 4; // a source names each section twice, cut
  const std::string longName(1 << 20, 'x'), cutName = "| " + longName.substr(0, SYMBOL_NAME_LIMIT) + "...\n";
  const std::vector<TestSymbol> sharing(1 << 16, {longName.c_str(), 0x400, 2});
  const std::vector<uint8_t> code(1 << 16, 0x4E);
  const struct {
    const char* what;
    std::vector<uint8_t> elf;
    const char *symbolsReason, *disasmReason; // why --symbols and quillomark-disasm refuse it, or nullptr
  } files[] = {
      {"65536 symbols sharing one 1 MiB name", symbolFile(sharing, code), nullptr, nullptr},
      {"the symbol table's header 60000 times more", withCopies(symbolFile(sharing), 2, 60000, 0, 0),
       "symbol tables share bytes of the file", "symbol tables share bytes of the file"},
      {"the code's header 30000 times more", withCopies(symbolFile({{"start", 0x400, 2}}, code), 1, 30000, 0, 0),
       nullptr, "sections share bytes of the file"},
      {"4000 one-byte sections named by a 1 MiB name",
       withCopies(symbolFile({sharing[0]}, code), 1, 4000, 1, LONG_NAME_AT), nullptr, nullptr},
  };
#ifdef __SANITIZE_ADDRESS__ // which reserves terabytes of address space
  const std::string limit;
#else
  const std::string limit = "sh -c 'ulimit -v 131072 && exec \"$0\" \"$@\"' "; // some 40 times the files
#endif
  const std::string dir = makeScratchDir("hostile-elf");
  const auto text = [&](const char* file) {
    const std::vector<uint8_t> bytes = readFile(dir + "/" + file);
    return std::string(bytes.begin(), bytes.end());
  };
  for (const auto& f : files) {
    ASSERT_TRUE(writeFile(dir + "/h.elf", f.elf)) << f.what;
    // The symbols are read before --break looks for the name in them.
    const std::string symbols = f.symbolsReason ? std::string("cannot read symbols from h.elf: ") + f.symbolsReason
                                                : "--break no: no function of that name in the symbols";
    EXPECT_EQ(runIn(dir, limit + QUILLOMARK_HEADLESS + " --symbols h.elf --break no 2> err.txt"), EXIT_CODE_USAGE)
        << f.what;
    EXPECT_EQ(text("err.txt"), "quillomark-headless: " + symbols + "\n") << f.what;
    const std::string disasm = f.disasmReason ? std::string("cannot read h.elf: ") + f.disasmReason : "";
    EXPECT_EQ(runIn(dir, limit + QUILLOMARK_DISASM + " --source h.elf > out.txt 2> err.txt"),
              f.disasmReason ? EXIT_CODE_USAGE : 0) << f.what;
    EXPECT_EQ(text("err.txt"), f.disasmReason ? "quillomark-disasm: " + disasm + "\n" : "") << f.what;
    const std::string out = text("out.txt");
    EXPECT_LE(out.size(), OUTPUT_PER_FILE_BYTE * f.elf.size()) << f.what;
    EXPECT_EQ(out.find(cutName) != std::string::npos, !f.disasmReason) << f.what; // the long name, cut and marked
  }
}

} // namespace
