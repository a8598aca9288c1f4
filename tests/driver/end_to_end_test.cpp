// Runs quillomark-headless on ROM sets the tests write themselves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/memory.h"
#include "host/input_log.h"
#include "support/test_support.h"

namespace {

std::string headless(const std::string& args) {
  return std::string("'") + QUILLOMARK_HEADLESS + "' " + args + " >out.txt 2>err.txt";
}

std::string text(const std::string& path) {
  const std::vector<uint8_t> bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// A scratch directory with the idle program's ROM set and keys.txt holding script.
std::string scriptedRunDir(const std::string& name, const std::string& script) {
  const std::string dir = makeScratchDir(name);
  writeRomSet(dir, idleProgram());
  writeFile(dir + "/keys.txt", std::vector<uint8_t>(script.begin(), script.end()));
  return dir;
}

uint32_t littleLong(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t value;
  memcpy(&value, bytes.data() + offset, 4);
  return value;
}

TEST(EndToEnd, ThreeFramesEndWithLogDumpAndExitCodeOne) {
  const std::string dir = makeScratchDir("e2e-three");
  writeRomSet(dir, idleProgram());
  EXPECT_EQ(runIn(dir, headless("--frames 3")), 1);
  const std::string out = text(dir + "/out.txt");
  EXPECT_EQ(out.rfind("Quillomark arcade emulator", 0), 0u) << out;
  EXPECT_NE(out.find("Building CPU table...\n"), std::string::npos);
  EXPECT_NE(out.find("Building color table.\n"), std::string::npos);
  EXPECT_EQ(text(dir + "/err.txt"), "");
  const std::vector<uint8_t> keys = readFile(dir + "/keys.bin");
  EXPECT_EQ(keys, std::vector<uint8_t>(6, 0xAA));
  const std::vector<uint8_t> dump = readFile(dir + "/dump.bin");
  ASSERT_EQ(dump.size(), DUMP_FILE_SIZE);
  // The register block follows the image: A7 at 0x3C, the PC at 0x58.
  EXPECT_EQ(littleLong(dump, MEMORY_SIZE + 0x58), 0x500u) << "PC is the frame interrupt's handler";
  EXPECT_EQ(dump[0x300], 0xFF);
  EXPECT_EQ(dump[0x80017], 0x00); // the pointer the program wrote, big-endian
  EXPECT_EQ(dump[0x80016], 0x03);
  EXPECT_EQ(littleLong(dump, MEMORY_SIZE + 0x3C), 0x8F000u - 6) << "A7 holds one interrupt frame";
}

TEST(EndToEnd, ScriptedKeysReachTheLogAndStatsAreReported) {
  const std::string dir = scriptedRunDir("e2e-keys", "1 down LEFT\n2 down 0x34  # latch\n2 up LEFT\n3 down CTRL\n");
  EXPECT_EQ(runIn(dir, headless("--frames 4 --keys keys.txt --stats -640")), 1);
  const std::vector<uint8_t> keys = readFile(dir + "/keys.bin");
  // Pass 1: left held. Pass 2: left released, switch 4 latched. Passes 3 and 4: autofire flips bits 4 and 5.
  const std::vector<uint8_t> expected = {0xAB, 0xAA, 0xAA, 0xBA, 0x9A, 0xBA, 0xAA, 0xBA};
  EXPECT_EQ(keys, expected);
  const std::string err = text(dir + "/err.txt");
  EXPECT_EQ(err.rfind("passes: 4, instructions: ", 0), 0u) << err;
  EXPECT_NE(err.find("MIPS: "), std::string::npos) << err;
  EXPECT_NE(err.find(", MIPS per CPU second: "), std::string::npos) << err;
}

TEST(EndToEnd, InactiveWithNothingMoreToComeEndsTheRun) {
  const std::string dir = scriptedRunDir("e2e-inactive", "2 activate 0\n");
  EXPECT_EQ(runIn(dir, headless("--keys keys.txt --frames 50")), 1);
  EXPECT_EQ(readFile(dir + "/keys.bin").size(), 2u); // pass 1 logged; pass 2's pump waited
  EXPECT_EQ(readFile(dir + "/" + DUMP_FILE).size(), DUMP_FILE_SIZE);
}

struct BadRun {
  const char* name;
  const char* args;
  const char* removeFile;
  size_t truncate17cU; // 0: leave the file as it is
  int exitCode;
  const char* stdoutText; // text standard output must contain, or ""
  const char* stderrText; // text standard error must contain, or ""
};

class EndToEndFailure : public testing::TestWithParam<BadRun> {};

TEST_P(EndToEndFailure, ReportsAndExits) {
  const BadRun c = GetParam();
  const std::string dir = makeScratchDir(std::string("e2e-bad-") + c.name);
  writeRomSet(dir, idleProgram());
  if (*c.removeFile) std::remove((dir + "/" + c.removeFile).c_str());
  if (c.truncate17cU) writeFile(dir + "/17c_u.bin", std::vector<uint8_t>(c.truncate17cU, 0));
  writeFile(dir + "/bad.txt", {'1', ' ', 'h', 'o', 'l', 'd', ' ', 'A', '\n'});
  EXPECT_EQ(runIn(dir, headless(c.args)), c.exitCode);
  const std::string out = text(dir + "/out.txt");
  EXPECT_NE(out.find(c.stdoutText), std::string::npos) << out;
  EXPECT_NE(text(dir + "/err.txt").find(c.stderrText), std::string::npos) << text(dir + "/err.txt");
  EXPECT_TRUE(readFile(dir + "/dump.bin").empty()) << "no run, no dump";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndToEndFailure,
    testing::Values(BadRun{"MissingRom", "--frames 1", "17b_u.bin", 0, 1, "Failed to open rom file 17b_u.bin\n", ""},
                    BadRun{"ShortRom", "--frames 1", "", 65535, 1, "17c_u.bin is not 64K long\n", ""},
                    BadRun{"MissingPalette", "--frames 1", "pal.bmp", 0, 1, "pal.bmp", ""},
                    BadRun{"UnknownOption", "--frames 1 --fast", "", 0, 2, "", "--fast"},
                    BadRun{"MalformedScript", "--keys bad.txt", "", 0, 2, "", "bad.txt:1:"}),
    [](const testing::TestParamInfo<BadRun>& info) { return info.param.name; });

// One line of the trace: pass, PC, the instruction padded to a column, the flags after it.
std::string traceLine(unsigned pass, uint32_t pc, const char* instruction, const char* flags = "-----") {
  char line[128];
  snprintf(line, sizeof line, "%u %08x %-40s %s\n", pass, pc, instruction, flags);
  return line;
}

TEST(EndToEnd, TraceWritesInstructionsExceptionsAndStopsAtItsLimit) {
  const std::string dir = makeScratchDir("e2e-trace");
  writeRomSet(dir, idleProgram());
  // From start-up (pass 0): the pointer set, then the jump and eleven turns of the idle loop bring
  // the PC to 0xA34 twelve times; the frame interrupt, its RTE in pass 1, the loop to the limit.
  EXPECT_EQ(runIn(dir, headless("--frames 2 --trace t.txt --trace-from 0 --trace-limit 17")), 1);
  std::string expected = traceLine(0, 0x400, "move.l #0x300,(0x80014).l") + traceLine(0, 0x40A, "jmp (0xa34).l");
  for (int i = 0; i < 11; ++i)
    expected += traceLine(0, 0xA34, "bra.s 0xa34");
  expected += "0 exception 25 -> 00000500\n" + traceLine(1, 0x500, "rte");
  for (int i = 0; i < 3; ++i)
    expected += traceLine(1, 0xA34, "bra.s 0xa34");
  expected += "# trace limit reached\n";
  EXPECT_EQ(text(dir + "/t.txt"), expected);
  // By default the trace starts at pass 1.
  EXPECT_EQ(runIn(dir, headless("--frames 2 --trace t.txt --trace-limit 1")), 1);
  EXPECT_EQ(text(dir + "/t.txt"), traceLine(1, 0x500, "rte") + "# trace limit reached\n");
}

TEST(EndToEnd, BreakpointStopsAtThePcWithTheRegistersOfTheDump) {
  const std::string dir = makeScratchDir("e2e-break");
  writeRomSet(dir, idleProgram());
  EXPECT_EQ(runIn(dir, headless("--frames 5 --break 0x500 --break 0x9999")), 1);
  const std::string out = text(dir + "/out.txt");
  const size_t at = out.find("Breakpoint at 00000500 in pass 1\n");
  ASSERT_NE(at, std::string::npos) << out;
  const std::vector<uint8_t> dump = readFile(dir + "/dump.bin");
  ASSERT_EQ(dump.size(), DUMP_FILE_SIZE);
  EXPECT_EQ(littleLong(dump, MEMORY_SIZE + 0x58), 0x500u);
  EXPECT_EQ(readFile(dir + "/keys.bin").size(), 2u) << "ended in pass 1, as a close does";
  char registers[64];
  snprintf(registers, sizeof registers, "A4 %08x  A5 %08x  A6 %08x  A7 %08x\n", littleLong(dump, MEMORY_SIZE + 0x30),
           littleLong(dump, MEMORY_SIZE + 0x34), littleLong(dump, MEMORY_SIZE + 0x38),
           littleLong(dump, MEMORY_SIZE + 0x3C));
  EXPECT_NE(out.find(registers, at), std::string::npos) << out;
  EXPECT_NE(out.find("SR 2100", at), std::string::npos) << "supervisor, the frame interrupt's mask 1";
}

} // namespace
