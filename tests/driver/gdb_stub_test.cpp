// gdb's remote protocol answered from the machine, and its stops in the watching loop.
#include <gtest/gtest.h>

#include <string>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/frame_loop.h"
#include "debug/debugger.h"
#include "debug/gdb_stub.h"
#include "driver/memory.h"
#include "support/test_support.h"

namespace {

std::string answer(const std::string& packet, GdbAction expected = GDB_REPLY) {
  std::string reply;
  EXPECT_EQ(answerGdbPacket(packet.data(), packet.size(), &reply), expected) << packet;
  return reply;
}

TEST(GdbStub, RegistersAndMemoryAreTheMachinesWrittenWithoutCpuRules) {
  freshMachine();
  cpuState.regs[0] = 0x12345678;
  cpuState.regs[REG_A7] = 0x8F000;
  setPc(0x400);
  const std::string all = answer("g");
  ASSERT_EQ(all.size(), size_t(GDB_REGISTER_COUNT) * 8);
  EXPECT_EQ(all.substr(0, 8), "12345678");
  EXPECT_EQ(all.substr(15 * 8), "0008f000" "00000000" "00000400");
  EXPECT_EQ(answer("P11=a34"), "OK");
  EXPECT_EQ(getPc(), 0xA34u);
  EXPECT_EQ(answer("P10=2004"), "OK"); // supervisor, Z
  EXPECT_EQ(answer("p10"), "00002004");
  EXPECT_EQ(answer("p12"), "E01");
  // ROM, the sound port and the last bytes: stored as they are, no warning, no sound command.
  const std::string out = captureStdout([] {
    EXPECT_EQ(answer("M1000,2:abcd"), "OK");
    EXPECT_EQ(answer("Mc0001,1:07"), "OK");
    EXPECT_EQ(answer("X1ffffe,2:}\x03}]"), "OK"); // escaped '#' and '}'
  });
  EXPECT_EQ(out, "");
  EXPECT_EQ(soundCommandQueue.writeIndex, soundCommandQueue.readIndex);
  EXPECT_EQ(answer("m1000,2"), "abcd");
  EXPECT_EQ(machineMemory[0xC0001], 0x07);
  EXPECT_EQ(answer("m1ffffe,8"), "237d"); // cut at the image's end
  EXPECT_EQ(answer("m200000,1"), "E14");
  EXPECT_EQ(answer("M1fffff,2:0102"), "E14");
  EXPECT_EQ(machineMemory[MEMORY_SIZE - 1], 0x7D);
  EXPECT_EQ(answer("M1000,2:zz"), "E01");
}

// The program of idleProgram: MOVE.L #$300,$80014 at 0x400, JMP $A34 at 0x40A, the idle loop.
TEST(GdbStub, BreakpointsStepsAndWatchpointsStopTheWatchingLoop) {
  freshMachine();
  char message[64];
  if (!decodeState.produced) {
    ASSERT_TRUE(buildCpuTables(message, sizeof message));
  }
  const std::vector<uint8_t> image = idleProgram();
  std::copy(image.begin(), image.end(), machineMemory);
  resetCpu();
  gdbStub.attached = true;
  watchWithDebugger();
  uint32_t left = 0;
  std::string reply;
  EXPECT_EQ(answer("Z2,80014,4"), "OK");
  EXPECT_EQ(runSlice(LOOP_WATCHING, 100, &left), SLICE_STOPPED);
  EXPECT_EQ(getPc(), 0x40Au);
  EXPECT_EQ(left, 99u);
  gdbStopReply(&reply);
  EXPECT_EQ(reply, "T05watch:80014;");
  EXPECT_EQ(answer("z2,80014,4"), "OK");
  EXPECT_EQ(answer("Z0,a34,2"), "OK");
  EXPECT_EQ(answer("c", GDB_RESUME), "");
  EXPECT_EQ(runSlice(LOOP_WATCHING, 100, &left), SLICE_STOPPED);
  EXPECT_EQ(getPc(), 0xA34u);
  gdbStopReply(&reply);
  EXPECT_EQ(reply, "T05swbreak:;");
  // A step from the breakpoint runs its instruction, and one only.
  EXPECT_EQ(answer("vCont;s:1", GDB_RESUME), "");
  EXPECT_EQ(runSlice(LOOP_WATCHING, 100, &left), SLICE_STOPPED);
  EXPECT_EQ(left, 99u);
  gdbStopReply(&reply);
  EXPECT_EQ(reply, "S05");
  EXPECT_EQ(answer("D", GDB_DETACH), "OK");
  EXPECT_FALSE(gdbStub.attached);
  EXPECT_EQ(runSlice(LOOP_WATCHING, 100, &left), SLICE_FRAME_ENDED);
}

TEST(GdbStub, PacketsAreFramedAndTheTargetIsDescribed) {
  freshMachine();
  std::string packet;
  gdbFramePacket("a#b*", &packet);
  EXPECT_EQ(packet, "$a}\x03" "b}\x0a#" + std::string("ca"));
  EXPECT_EQ(gdbChecksum("OK", 2), 0x9A);
  EXPECT_NE(answer("qSupported:multiprocess+;swbreak+").find("qXfer:features:read+"), std::string::npos);
  std::string xml;
  for (std::string chunk = "m"; chunk[0] == 'm';) {
    char offset[16];
    snprintf(offset, sizeof offset, "%zx", xml.size());
    chunk = answer("qXfer:features:read:target.xml:" + std::string(offset) + ",40");
    ASSERT_FALSE(chunk.empty());
    xml += chunk.substr(1);
  }
  EXPECT_NE(xml.find("<feature name=\"org.gnu.gdb.m68k.core\">"), std::string::npos);
  size_t registers = 0;
  for (size_t at = 0; (at = xml.find("<reg ", at)) != std::string::npos; ++at)
    ++registers;
  EXPECT_EQ(registers, size_t(GDB_REGISTER_COUNT));
  EXPECT_EQ(xml.find("fp0"), std::string::npos);
  EXPECT_EQ(answer("qXfer:features:read:other.xml:0,40"), "E00");
  EXPECT_EQ(answer("qUnknownThing"), "");
  EXPECT_EQ(answer("Z3,80000,4"), ""); // read watchpoints are not served
  EXPECT_EQ(answer("vKill;a410", GDB_KILL), "OK");
}

} // namespace
