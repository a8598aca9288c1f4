// The ELF symbol reader: names found both ways, and damaged files refused without reading outside them.
#include <gtest/gtest.h>

#include <string>

#include "driver/symbols.h"
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
  const std::vector<uint8_t> elf = symbolFile({{"start", 0x400, 0x10}});
  char message[128];
  // Every shorter file is refused, however it was cut.
  for (size_t size = 0; size < elf.size(); ++size) {
    message[0] = 0;
    EXPECT_FALSE(loadSymbolsFrom(elf.data(), size, message, sizeof message)) << size;
    EXPECT_NE(message[0], 0) << size;
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
