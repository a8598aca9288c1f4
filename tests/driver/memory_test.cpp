#include <gtest/gtest.h>

#include <string>

#include "cpu68k/cpu_state.h"
#include "driver/memory.h"
#include "support/test_support.h"

namespace {

constexpr const char* ROM_WARNING = "Write: <Trying to write to ROM> PC:%lx Addr:%lx\n";
constexpr const char* WRITE_OUTSIDE = "Write: <Outside memory area> PC:%lx Addr:%lx\n";
constexpr const char* READ_OUTSIDE = "Read: <Outside memory area> PC:%lx Addr:%lx\n";

std::string message(const char* format, uint32_t pc, uint32_t address) {
  char text[128];
  snprintf(text, sizeof text, format, (unsigned long)pc, (unsigned long)address);
  return text;
}

void writeSized(int width, uint32_t address, uint32_t value) {
  if (width == 1) writeByte(address, value);
  if (width == 2) writeWord(address, value);
  if (width == 4) writeLong(address, value);
}

uint32_t readSized(int width, uint32_t address) {
  return width == 1 ? readByte(address) : width == 2 ? readWord(address) : readLong(address);
}

struct WriteCase {
  uint32_t address;
  int width;
  bool romWarning;
  bool outsideWarning;
};

class MemoryWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(MemoryWrite, WarnsAndStoresByTheRules) {
  const WriteCase c = GetParam();
  freshMachine();
  setPc(0x1234);
  const std::string out = captureStdout([&] { writeSized(c.width, c.address, 0x11223344u >> (8 * (4 - c.width))); });
  std::string expected;
  if (c.romWarning) expected += message(ROM_WARNING, 0x1234, c.address);
  if (c.outsideWarning) expected += message(WRITE_OUTSIDE, 0x1234, c.address);
  EXPECT_EQ(out, expected);
  // Every byte that lies inside the image is stored, ROM area included.
  for (int i = 0; i < c.width; ++i) {
    const uint64_t at = uint64_t(c.address) + i;
    if (at < MEMORY_SIZE) {
      EXPECT_EQ(machineMemory[at], uint8_t(0x11 + 0x11 * i)) << "byte " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, MemoryWrite,
                         testing::Values(WriteCase{ROM_LIMIT - 1, 1, true, false}, WriteCase{ROM_LIMIT, 1, false, false},
                                         WriteCase{0x000100, 2, true, false}, WriteCase{0x000000, 4, true, false},
                                         WriteCase{ROM_LIMIT - 2, 4, true, false}, WriteCase{MEMORY_SIZE - 4, 4, false, false},
                                         WriteCase{MEMORY_SIZE - 1, 2, false, false}, WriteCase{MEMORY_SIZE - 3, 4, false, false},
                                         WriteCase{MEMORY_SIZE, 1, false, true}, WriteCase{0xFFFF8000, 2, false, true},
                                         WriteCase{0xFFFFFFFE, 4, false, true}),
                         [](const testing::TestParamInfo<WriteCase>& info) {
                           char name[32];
                           snprintf(name, sizeof name, "At%08X_Width%d", info.param.address, info.param.width);
                           return std::string(name);
                         });

TEST(MemoryRead, WarnsOnlyFromTheEndOfTheImage) {
  freshMachine();
  setPc(0x400);
  machineMemory[MEMORY_SIZE - 1] = 0x5A;
  EXPECT_EQ(captureStdout([] { EXPECT_EQ(readByte(MEMORY_SIZE - 1), 0x5Au); }), "");
  // A word that starts on the last byte reads its missing byte as 0, without a warning.
  EXPECT_EQ(captureStdout([] { EXPECT_EQ(readWord(MEMORY_SIZE - 1), 0x5A00u); }), "");
  EXPECT_EQ(captureStdout([] { EXPECT_EQ(readLong(MEMORY_SIZE - 2), 0xAA5A0000u); }), "");
  for (int width : {1, 2, 4}) {
    for (uint32_t address : {MEMORY_SIZE, 0xFFFF8000u, 0xFFFFFFFFu}) {
      uint32_t value = 1;
      const std::string out = captureStdout([&] { value = readSized(width, address); });
      EXPECT_EQ(out, message(READ_OUTSIDE, 0x400, address)) << width << " " << address;
      EXPECT_EQ(value, 0u);
    }
  }
}

TEST(MemoryRead, WordsAndLongsAreBigEndianAtAnyAddress) {
  freshMachine();
  pokeWords(0x1234, {0x1122, 0x3344, 0x5566});
  EXPECT_EQ(readWord(0x1235), 0x2233u); // odd address, no address error
  EXPECT_EQ(readLong(0x1235), 0x22334455u);
  EXPECT_EQ(readByte(0x1234), 0x11u);
}

TEST(MemoryWrite, RomAreaIsNotProtected) {
  freshMachine();
  captureStdout([] { writeWord(0x100, 0xBEEF); });
  EXPECT_EQ(readWord(0x100), 0xBEEFu);
}

TEST(MemoryWrite, WarningShowsThePcAtTheAccess) {
  freshMachine();
  setPc(0x2000);
  fetchWord();
  fetchWord(); // the PC is past the opcode and one extension word
  EXPECT_EQ(captureStdout([] { writeByte(0x10, 1); }), message(ROM_WARNING, 0x2004, 0x10));
}

TEST(MemoryAccess, ReadModifyWriteOutsideWarnsTwice) {
  freshMachine();
  setPc(0);
  const std::string out = captureStdout([] { writeByte(0x300000, readByte(0x300000) | 0x80); });
  EXPECT_EQ(out, message(READ_OUTSIDE, 0, 0x300000) + message(WRITE_OUTSIDE, 0, 0x300000));
}

TEST(InstructionFetch, OutsideTheImageReadsZeroWords) {
  freshMachine();
  machineMemory[MEMORY_SIZE - 2] = 0x4E;
  machineMemory[MEMORY_SIZE - 1] = 0x71;
  setPc(MEMORY_SIZE - 2);
  EXPECT_EQ(fetchWord(), 0x4E71u);
  EXPECT_EQ(fetchWord(), 0u);
  setPc(MEMORY_SIZE - 1);
  EXPECT_EQ(fetchWord(), 0x7100u);
  setPc(0xFFFFFFF0);
  EXPECT_EQ(fetchLong(), 0u);
  EXPECT_EQ(getPc(), 0xFFFFFFF4u);
}

} // namespace
