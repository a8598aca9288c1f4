#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <iterator>

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

// The distinct files of ROM_LOADS, in load order.
const char* const FILES[] = {"18b_d02.bin", "18c_d05.bin", "17b_l.bin", "17c_l.bin", "17b_u.bin", "17c_u.bin"};

// A file of the set other than a full image: its size, or MISSING or FIFO.
constexpr long MISSING = -1, FIFO = -2;
struct StandIn {
  const char* file;
  long size;
};

std::string romDir(const std::string& name, std::initializer_list<StandIn> standIns = {}) {
  const std::string dir = makeScratchDir(name);
  for (int f = 0; f < int(std::size(FILES)); ++f) {
    long size = ROM_IMAGE_SIZE;
    for (const StandIn& s : standIns)
      if (s.file && strcmp(s.file, FILES[f]) == 0)
        size = s.size;
    if (size == FIFO)
      EXPECT_EQ(mkfifo((dir + "/" + FILES[f]).c_str(), 0600), 0);
    else if (size != MISSING)
      writeFile(dir + "/" + FILES[f], romBytes(f, size_t(size)));
  }
  return dir;
}

// Loads the set of dir as the programs do; the failure's message, or "" when it loaded. opened gets
// the files opened, in order.
std::string loadIn(const std::string& dir, std::vector<std::string>& opened) {
  char message[CORE_MESSAGE_SIZE] = "";
  bool loaded = false;
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(inotify_add_watch(watch, dir.c_str(), IN_OPEN), 0);
  EXPECT_TRUE(inDirectory(dir, [&] { loaded = loadRomSetFiles(message, sizeof message); }));
  alignas(inotify_event) char events[4096];
  opened.clear();
  for (long got; (got = read(watch, events, sizeof events)) > 0;)
    for (long at = 0; at < got;) {
      const inotify_event* event = reinterpret_cast<const inotify_event*>(events + at);
      if (event->len) // not the folder itself
        opened.push_back(event->name);
      at += long(sizeof(inotify_event) + event->len);
    }
  close(watch);
  return loaded ? "" : message;
}

TEST(RomSet, LaysTheInterleavedImagesAndFillsTheRest) {
  const std::string dir = romDir("roms-ok", {{"17b_l.bin", 70000}}); // a longer file is accepted silently
  std::vector<std::string> opened;
  EXPECT_EQ(captureStdout([&] { EXPECT_EQ(loadIn(dir, opened), ""); }), "");
  EXPECT_EQ(opened, std::vector<std::string>(std::begin(FILES), std::end(FILES))) << "each file read once";
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
  StandIn bad, alsoBad;
  const char* message;
  int opened; // the files of FILES opened: none after the first that fails
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class RomSetFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(RomSetFailure, ReturnsTheMessageOfTheFirstFileThatFailsAndOpensNoneAfterIt) {
  const FailureCase c = GetParam();
  std::vector<std::string> opened;
  EXPECT_EQ(captureStdout([&] { EXPECT_EQ(loadIn(romDir(c.name, {c.bad, c.alsoBad}), opened), c.message); }), "");
  EXPECT_EQ(opened, std::vector<std::string>(FILES, FILES + c.opened));
}

INSTANTIATE_TEST_SUITE_P(
    Files, RomSetFailure,
    testing::Values(FailureCase{"Missing", {"17b_l.bin", MISSING}, {}, "Failed to open rom file 17b_l.bin", 2},
                    FailureCase{"Short", {"17b_l.bin", 65535}, {}, "17b_l.bin is not 64K long", 3},
                    FailureCase{"Empty", {"17b_l.bin", 0}, {}, "17b_l.bin is not 64K long", 3},
                    FailureCase{"Fifo", {"17c_l.bin", FIFO}, {}, "Failed to open rom file 17c_l.bin", 4},
                    FailureCase{"ShortBeforeFifo", {"18b_d02.bin", 100}, {"17c_u.bin", FIFO},
                                "18b_d02.bin is not 64K long", 1}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

} // namespace
