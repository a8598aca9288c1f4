// The ELF reader: symbol names found both ways, and damaged files refused without reading outside them.
#include <gtest/gtest.h>

#include <string>

#include "debug/symbols.h"
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

} // namespace
