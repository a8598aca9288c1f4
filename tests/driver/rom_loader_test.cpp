#include <gtest/gtest.h>

#include "driver/memory.h"
#include "driver/rom_loader.h"
#include "core/core.h"
#include "driver/rom_files.h"
#include "support/test_support.h"

namespace {

// Gives every ROM file a distinct, position-dependent content.
std::vector<uint8_t> romBytes(int fileIndex, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = uint8_t(i * 7 + fileIndex * 31 + (i >> 8));
  return bytes;
}

const char* const FILES[] = {"18b_d02.bin", "18c_d05.bin", "17b_l.bin", "17c_l.bin", "17b_u.bin", "17c_u.bin"};

std::string romDir(const std::string& name, size_t size17bL = ROM_IMAGE_SIZE, bool skip17bL = false) {
  const std::string dir = makeScratchDir(name);
  for (int f = 0; f < 6; ++f) {
    if (skip17bL && f == 2) continue;
    writeFile(dir + "/" + FILES[f], romBytes(f, f == 2 ? size17bL : ROM_IMAGE_SIZE));
  }
  return dir;
}

// Loads the set of dir as the programs do; the failure's message, or "" when it loaded.
std::string loadIn(const std::string& dir) {
  char message[CORE_MESSAGE_SIZE] = "";
  bool loaded = false;
  EXPECT_TRUE(inDirectory(dir, [&] { loaded = loadRomSetFiles(message, sizeof message); }));
  return loaded ? "" : message;
}

TEST(RomSet, LaysTheInterleavedImagesAndFillsTheRest) {
  const std::string dir = romDir("roms-ok", 70000); // a longer file is accepted silently
  EXPECT_EQ(captureStdout([&] { EXPECT_EQ(loadIn(dir), ""); }), "");
  struct Region { uint32_t base; int evenFile, oddFile; } regions[] = {
      {0x000000, 0, 1}, {0x040000, 2, 3}, {0x060000, 4, 5}, {0x1E0000, 2, 3}};
  for (const Region& r : regions) {
    const std::vector<uint8_t> even = romBytes(r.evenFile, ROM_IMAGE_SIZE), odd = romBytes(r.oddFile, ROM_IMAGE_SIZE);
    for (uint32_t i = 0; i < ROM_IMAGE_SIZE; ++i) {
      ASSERT_EQ(machineMemory[r.base + 2 * i], even[i]) << std::hex << r.base + 2 * i;
      ASSERT_EQ(machineMemory[r.base + 2 * i + 1], odd[i]) << std::hex << r.base + 2 * i + 1;
    }
  }
  for (uint32_t address : {0x020000u, 0x03FFFFu, 0x080000u, 0x1DFFFFu})
    EXPECT_EQ(machineMemory[address], MEMORY_FILL) << std::hex << address;
  // Byte 0 of the even file is the most significant byte of the initial stack pointer.
  EXPECT_EQ(peekLong(0) >> 24, romBytes(0, 1)[0]);
  EXPECT_EQ((peekLong(0) >> 16) & 0xFF, romBytes(1, 1)[0]);
}

struct FailureCase {
  const char* name;
  size_t size17bL;
  bool missing;
  const char* message;
};

class RomSetFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(RomSetFailure, ReturnsTheMessageOfTheFirstFileThatFails) {
  const FailureCase c = GetParam();
  EXPECT_EQ(captureStdout([&] { EXPECT_EQ(loadIn(romDir(c.name, c.size17bL, c.missing)), c.message); }), "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, RomSetFailure,
    testing::Values(FailureCase{"Missing", ROM_IMAGE_SIZE, true, "Failed to open rom file 17b_l.bin"},
                    FailureCase{"Short", 65535, false, "17b_l.bin is not 64K long"},
                    FailureCase{"Empty", 0, false, "17b_l.bin is not 64K long"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

} // namespace
