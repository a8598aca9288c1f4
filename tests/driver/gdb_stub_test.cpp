// gdb's remote protocol answered from the machine, and its stops in the watching loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/frame_loop.h"
#include "debug/debugger.h"
#include "debug/gdb_stub.h"
#include "driver/memory.h"
#include "support/test_support.h"

namespace {

// The packet in a buffer of its own size, so that a read past its end shows under the sanitizer.
std::string answer(const std::string& packet, GdbAction expected = GDB_REPLY) {
  const std::vector<char> bytes(packet.begin(), packet.end());
  std::string reply;
  EXPECT_EQ(answerGdbPacket(bytes.data(), bytes.size(), &reply), expected) << packet;
  return reply;
}

// What goes back for bytes from gdb, taken as the server does: out emptied (sent) between answers.
std::string answerBytes(const std::string& bytes) {
  GdbStream stream{bytes, {}, 0};
  std::string sent, out;
  do {
    out.clear();
    gdbAnswerStream(&stream, &out);
    EXPECT_LE(out.size(), GDB_OUTGOING_LIMIT + GDB_PACKET_SIZE + 4) << "more than one reply past the limit";
    sent += out;
  } while (!out.empty());
  return sent;
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

// A malformed packet is refused whole: no byte, register, breakpoint or PC changed by its valid part.
TEST(GdbStub, MalformedPacketsAreRefusedAndChangeNothing) {
  const std::string registers(size_t(GDB_REGISTER_COUNT) * 8, '1');
  const struct {
    std::string packet;
    const char* reply;
  } cases[] = {
      {"M100000,8:1122334455zz7788", "E01"},
      {"M100000,2:112233", "E01"},
      {"X100000,8:abc", "E01"},
      {"X100000,2:a}", "E01"},
      {std::string("G") + registers.substr(0, 40) + "zzzzzzzz" + registers.substr(48), "E01"},
      {std::string("G") + registers + "0", "E01"},
      {"m1,1junk", "E01"},
      {"p1x", "E01"},
      {"P1=5x", "E01"},
      {"Z0,400,2x", "E01"},
      {"c400x", "E01"},
      {"C05;zz", "E01"},
      {"vCont;", "E01"},
      {"qXfer:features:read:target.xml:0,10x", "E00"},
  };
  freshMachine();
  setPc(0x400);
  const std::string before = answer("g") + answer("m100000,10");
  for (const auto& c : cases) {
    EXPECT_EQ(answer(c.packet), c.reply) << c.packet;
    EXPECT_EQ(answer("g") + answer("m100000,10"), before) << c.packet;
    EXPECT_EQ(gdbStub.breakpointCount, 0) << c.packet;
  }
  // Bytes from gdb: a checksum is two hex digits that match, a resend is repeated a few times only,
  // and the largest reads sent at once are all answered, a limited number at a time.
  char read[32];
  snprintf(read, sizeof read, "m0,%zx", GDB_PACKET_SIZE / 2);
  std::string framedRead;
  gdbFramePacket(read, &framedRead);
  const std::string reply = answer(read);
  std::string framedReply;
  gdbFramePacket(reply, &framedReply);
  EXPECT_EQ(answerBytes("$#zz"), "-");
  EXPECT_EQ(answerBytes("$m0,1#zz$m0,1#0"), "-");
  EXPECT_EQ(answerBytes(framedRead + std::string(200, '-')).size(),
            1 + framedReply.size() * (1 + GDB_RESEND_LIMIT));
  std::string flood;
  for (int i = 0; i < 16; ++i)
    flood += framedRead;
  EXPECT_EQ(answerBytes(flood).size(), 16 * (1 + framedReply.size()));
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
