#include "debug/gdb_stub.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cpu68k/cpu_state.h"
#include "driver/memory.h"

GdbStub gdbStub;

namespace {
// gdb's m68k registers without the floating-point unit, in gdb's order.
constexpr char TARGET_XML[] =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE target SYSTEM \"gdb-target.dtd\">\n"
    "<target version=\"1.0\">\n"
    "<architecture>m68k:68000</architecture>\n"
    "<feature name=\"org.gnu.gdb.m68k.core\">\n"
    "<reg name=\"d0\" bitsize=\"32\"/><reg name=\"d1\" bitsize=\"32\"/><reg name=\"d2\" bitsize=\"32\"/>\n"
    "<reg name=\"d3\" bitsize=\"32\"/><reg name=\"d4\" bitsize=\"32\"/><reg name=\"d5\" bitsize=\"32\"/>\n"
    "<reg name=\"d6\" bitsize=\"32\"/><reg name=\"d7\" bitsize=\"32\"/>\n"
    "<reg name=\"a0\" bitsize=\"32\" type=\"data_ptr\"/><reg name=\"a1\" bitsize=\"32\" type=\"data_ptr\"/>\n"
    "<reg name=\"a2\" bitsize=\"32\" type=\"data_ptr\"/><reg name=\"a3\" bitsize=\"32\" type=\"data_ptr\"/>\n"
    "<reg name=\"a4\" bitsize=\"32\" type=\"data_ptr\"/><reg name=\"a5\" bitsize=\"32\" type=\"data_ptr\"/>\n"
    "<reg name=\"fp\" bitsize=\"32\" type=\"data_ptr\"/><reg name=\"sp\" bitsize=\"32\" type=\"data_ptr\"/>\n"
    "<reg name=\"ps\" bitsize=\"32\"/><reg name=\"pc\" bitsize=\"32\" type=\"code_ptr\"/>\n"
    "</feature>\n"
    "</target>\n";
constexpr char TARGET_XML_READ[] = "qXfer:features:read:target.xml:";
constexpr char HEX_DIGITS[] = "0123456789abcdef";
constexpr char ESCAPE = '}';
constexpr uint8_t ESCAPE_XOR = 0x20;
constexpr char VCONT_ACTIONS[] = "vCont;";
constexpr char PACKET_START = '$';
constexpr char PACKET_END = '#';
constexpr char RESEND = '-';
constexpr char ACK = '+';
constexpr size_t CHECKSUM_DIGITS = 2;
// The longest a packet gdb may send can be with its '$', '#' and checksum.
constexpr size_t FRAMED_PACKET_SIZE = GDB_PACKET_SIZE + 2 + CHECKSUM_DIGITS;

// A packet being read: the bytes left.
struct Reader {
  const char* at;
  const char* end;
};

bool startsWith(const Reader& r, const char* prefix) {
  const size_t n = strlen(prefix);
  return size_t(r.end - r.at) >= n && memcmp(r.at, prefix, n) == 0;
}

bool is(const Reader& r, const char* whole) { return startsWith(r, whole) && r.at + strlen(whole) == r.end; }

// Queries whose answer never changes: the query (whole, or its start), and the reply.
struct FixedReply {
  const char* query;
  bool wholeQuery;
  const char* reply;
};
constexpr FixedReply FIXED_REPLIES[] = {
    {"qXfer:features:read:", false, "E00"}, // any annex but the target description
    {"qC", true, "QC1"},
    {"qfThreadInfo", true, "m1"},
    {"qsThreadInfo", true, "l"},
    {"qAttached", false, "1"},
    {"qSymbol::", true, "OK"},
    {"vCont?", true, "vCont;c;C;s;S"},
};

// The fixed reply to a query, or null when it has none.
const char* fixedReply(const Reader& r) {
  for (const FixedReply& f : FIXED_REPLIES)
    if (f.wholeQuery ? is(r, f.query) : startsWith(r, f.query))
      return f.reply;
  return nullptr;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// A hexadecimal number of at most 8 digits; false when there is none or it is longer.
bool readHex(Reader& r, uint32_t* value) {
  uint32_t v = 0;
  int digits = 0;
  for (int d; r.at < r.end && (d = hexValue(*r.at)) >= 0; ++r.at, ++digits)
    v = v << 4 | uint32_t(d);
  *value = v;
  return digits > 0 && digits <= 8;
}

bool atEnd(const Reader& r) { return r.at == r.end; }

bool take(Reader& r, char c) {
  if (r.at == r.end || *r.at != c)
    return false;
  ++r.at;
  return true;
}

void appendHex(std::string* out, uint32_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i)
    out->push_back(HEX_DIGITS[(value >> (4 * i)) & 0xF]);
}

uint32_t readRegister(int n) {
  if (n < GDB_REGISTER_PS)
    return cpuState.regs[n];
  if (n == GDB_REGISTER_PS) {
    buildSr();
    return cpuState.sr;
  }
  return getPc();
}

void writeRegister(int n, uint32_t value) {
  if (n < GDB_REGISTER_PS) {
    cpuState.regs[n] = value;
  } else if (n == GDB_REGISTER_PS) {
    cpuState.sr = uint16_t(value);
    loadSr();
  } else {
    setPc(value);
  }
}

// True when [address, address + length) lies inside the image.
bool inImage(uint32_t address, uint32_t length) { return address < MEMORY_SIZE && length <= MEMORY_SIZE - address; }

void refreshWatches() {
  for (int i = 0; i < gdbStub.watchCount; ++i)
    memcpy(gdbStub.watches[i].seen, machineMemory + gdbStub.watches[i].address, gdbStub.watches[i].length);
}

// "m ADDR,LENGTH": the bytes inside the image, fewer when the read runs past its end.
void readMemory(Reader r, std::string* reply) {
  uint32_t address, length;
  if (!readHex(r, &address) || !take(r, ',') || !readHex(r, &length) || !atEnd(r))
    return (void)reply->assign("E01");
  if (address >= MEMORY_SIZE)
    return (void)reply->assign("E14");
  length = std::min({length, uint32_t(GDB_PACKET_SIZE / 2), MEMORY_SIZE - address});
  for (uint32_t i = 0; i < length; ++i)
    appendHex(reply, machineMemory[address + i], 2);
}

// "M ADDR,LENGTH:HEX" or "X ADDR,LENGTH:BINARY": written straight into the image, as no CPU write
// is (no warning, no sound command), all or nothing: the whole packet is decoded and checked (LENGTH
// bytes exactly, nothing after them) before a byte of the image changes.
void writeMemory(Reader r, bool binary, std::string* reply) {
  uint32_t address, length;
  if (!readHex(r, &address) || !take(r, ',') || !readHex(r, &length) || !take(r, ':'))
    return (void)reply->assign("E01");
  std::string bytes;
  while (!atEnd(r)) {
    if (binary) {
      char byte = *r.at++;
      if (byte == ESCAPE) {
        if (atEnd(r))
          return (void)reply->assign("E01");
        byte = char(*r.at++ ^ ESCAPE_XOR);
      }
      bytes.push_back(byte);
    } else {
      if (r.end - r.at < 2 || hexValue(r.at[0]) < 0 || hexValue(r.at[1]) < 0)
        return (void)reply->assign("E01");
      bytes.push_back(char(hexValue(r.at[0]) << 4 | hexValue(r.at[1])));
      r.at += 2;
    }
  }
  if (bytes.size() != length)
    return (void)reply->assign("E01");
  if (length && !inImage(address, length))
    return (void)reply->assign("E14");
  memcpy(machineMemory + address, bytes.data(), length);
  markMemoryChanged(address, length);
  refreshWatches(); // gdb's own writes stop nothing
  reply->assign("OK");
}

// "Z TYPE,ADDR,KIND" and "z ...": breakpoints (types 0 and 1) and write watchpoints (type 2).
void changePoint(Reader r, bool insert, std::string* reply) {
  GdbStub& g = gdbStub;
  uint32_t type, address, kind;
  if (!readHex(r, &type) || !take(r, ',') || !readHex(r, &address) || !take(r, ',') || !readHex(r, &kind) ||
      !atEnd(r))
    return (void)reply->assign("E01");
  if (type <= 1) {
    int i = 0;
    while (i < g.breakpointCount && g.breakpoints[i] != address)
      ++i;
    if (insert && i == g.breakpointCount) {
      if (g.breakpointCount == GDB_BREAKPOINT_LIMIT)
        return (void)reply->assign("E0E");
      g.breakpoints[g.breakpointCount++] = address;
    } else if (!insert && i < g.breakpointCount) {
      g.breakpoints[i] = g.breakpoints[--g.breakpointCount];
    }
    return (void)reply->assign("OK");
  }
  if (type != 2)
    return; // read and access watchpoints: not served
  int i = 0;
  while (i < g.watchCount && (g.watches[i].address != address || g.watches[i].length != kind))
    ++i;
  if (insert && i == g.watchCount) {
    if (g.watchCount == GDB_WATCH_LIMIT || kind == 0 || kind > GDB_WATCH_BYTES || !inImage(address, kind))
      return (void)reply->assign("E0E");
    g.watches[g.watchCount++] = GdbWatch{address, kind, {}};
    refreshWatches();
  } else if (!insert && i < g.watchCount) {
    g.watches[i] = g.watches[--g.watchCount];
  }
  reply->assign("OK");
}

// "c [ADDR]", "s [ADDR]", "C SIG[;ADDR]", "S SIG[;ADDR]": the machine runs on from ADDR or the PC.
GdbAction resume(Reader r, bool step, bool withSignal, std::string* reply) {
  uint32_t value;
  if (withSignal && (!readHex(r, &value) || (!atEnd(r) && !take(r, ';')))) {
    reply->assign("E01");
    return GDB_REPLY;
  }
  const bool fromAddress = !atEnd(r);
  if (fromAddress && (!readHex(r, &value) || !atEnd(r))) {
    reply->assign("E01");
    return GDB_REPLY;
  }
  if (fromAddress)
    setPc(value);
  gdbStub.stepping = step;
  gdbStub.leaving = true;
  gdbStub.stopPending = false;
  return GDB_RESUME;
}

// "qXfer:features:read:target.xml:OFFSET,LENGTH".
void readTargetXml(Reader r, std::string* reply) {
  uint32_t offset, length;
  if (!readHex(r, &offset) || !take(r, ',') || !readHex(r, &length) || !atEnd(r))
    return (void)reply->assign("E00");
  const uint32_t size = sizeof TARGET_XML - 1;
  if (offset >= size)
    return (void)reply->assign("l");
  length = std::min({length, size - offset, uint32_t(GDB_PACKET_SIZE / 2)});
  reply->assign(offset + length == size ? "l" : "m");
  reply->append(TARGET_XML + offset, length);
}
} // namespace

uint8_t gdbChecksum(const char* bytes, size_t length) {
  uint8_t sum = 0;
  for (size_t i = 0; i < length; ++i)
    sum = uint8_t(sum + uint8_t(bytes[i]));
  return sum;
}

void gdbFramePacket(const std::string& payload, std::string* packet) {
  packet->clear();
  packet->push_back(PACKET_START);
  for (char c : payload) {
    if (c == PACKET_START || c == PACKET_END || c == ESCAPE || c == '*') {
      packet->push_back(ESCAPE);
      c = char(c ^ ESCAPE_XOR);
    }
    packet->push_back(c);
  }
  const uint8_t sum = gdbChecksum(packet->data() + 1, packet->size() - 1);
  packet->push_back(PACKET_END);
  appendHex(packet, sum, int(CHECKSUM_DIGITS));
}

void gdbStopReply(std::string* reply) {
  char text[32];
  switch (gdbStub.stop) {
  case GDB_STOP_BREAK:
    snprintf(text, sizeof text, "T%02xswbreak:;", GDB_SIGNAL_TRAP);
    break;
  case GDB_STOP_WATCH:
    snprintf(text, sizeof text, "T%02xwatch:%x;", GDB_SIGNAL_TRAP, gdbStub.watchHit);
    break;
  case GDB_STOP_INTERRUPT:
    snprintf(text, sizeof text, "S%02x", GDB_SIGNAL_INT);
    break;
  default:
    snprintf(text, sizeof text, "S%02x", GDB_SIGNAL_TRAP);
  }
  reply->assign(text);
}

GdbAction answerGdbPacket(const char* packet, size_t length, std::string* reply) {
  reply->clear();
  Reader r{packet, packet + length};
  if (r.at == r.end)
    return GDB_REPLY;
  const char command = *r.at;
  Reader rest{r.at + 1, r.end};
  uint32_t n, value;
  switch (command) {
  case '?':
    gdbStopReply(reply);
    return GDB_REPLY;
  case 'g':
    for (int i = 0; i < GDB_REGISTER_COUNT; ++i)
      appendHex(reply, readRegister(i), 8);
    return GDB_REPLY;
  case 'G': {
    // Every register checked before one is set.
    uint32_t values[GDB_REGISTER_COUNT];
    if (size_t(rest.end - rest.at) != size_t(GDB_REGISTER_COUNT) * 8) {
      reply->assign("E01");
      return GDB_REPLY;
    }
    for (int i = 0; i < GDB_REGISTER_COUNT; ++i) {
      Reader digits{rest.at + 8 * i, rest.at + 8 * i + 8};
      if (!readHex(digits, &values[i]) || !atEnd(digits)) {
        reply->assign("E01");
        return GDB_REPLY;
      }
    }
    for (int i = 0; i < GDB_REGISTER_COUNT; ++i)
      writeRegister(i, values[i]);
    reply->assign("OK");
    return GDB_REPLY;
  }
  case 'p':
    if (!readHex(rest, &n) || n >= uint32_t(GDB_REGISTER_COUNT) || !atEnd(rest))
      reply->assign("E01");
    else
      appendHex(reply, readRegister(int(n)), 8);
    return GDB_REPLY;
  case 'P':
    if (!readHex(rest, &n) || n >= uint32_t(GDB_REGISTER_COUNT) || !take(rest, '=') || !readHex(rest, &value) ||
        !atEnd(rest)) {
      reply->assign("E01");
    } else {
      writeRegister(int(n), value);
      reply->assign("OK");
    }
    return GDB_REPLY;
  case 'm':
    readMemory(rest, reply);
    return GDB_REPLY;
  case 'M':
  case 'X':
    writeMemory(rest, command == 'X', reply);
    return GDB_REPLY;
  case 'Z':
  case 'z':
    changePoint(rest, command == 'Z', reply);
    return GDB_REPLY;
  case 'c':
  case 's':
    return resume(rest, command == 's', false, reply);
  case 'C':
  case 'S':
    return resume(rest, command == 'S', true, reply);
  case 'D':
    gdbRelease();
    reply->assign("OK");
    return GDB_DETACH;
  case 'k':
    return GDB_KILL;
  case 'H':
  case 'T':
    reply->assign("OK");
    return GDB_REPLY;
  }
  if (startsWith(r, "qSupported")) {
    char text[96];
    snprintf(text, sizeof text, "PacketSize=%zx;qXfer:features:read+;swbreak+;hwbreak+", GDB_PACKET_SIZE);
    reply->assign(text);
  } else if (startsWith(r, TARGET_XML_READ)) {
    readTargetXml(Reader{r.at + strlen(TARGET_XML_READ), r.end}, reply);
  } else if (const char* fixed = fixedReply(r)) {
    reply->assign(fixed);
  } else if (startsWith(r, VCONT_ACTIONS)) {
    // All-stop with one thread: the first action is the machine's.
    const char* first = r.at + strlen(VCONT_ACTIONS);
    const char action = first < r.end ? *first : 0;
    if (action == 'c' || action == 'C' || action == 's' || action == 'S') {
      gdbStub.stepping = action == 's' || action == 'S';
      gdbStub.leaving = true;
      gdbStub.stopPending = false;
      return GDB_RESUME;
    }
    reply->assign("E01");
  } else if (startsWith(r, "vKill")) {
    reply->assign("OK");
    return GDB_KILL;
  }
  return GDB_REPLY;
}

GdbAction gdbAnswerStream(GdbStream* stream, std::string* out) {
  const std::string& in = stream->incoming;
  std::string reply;
  GdbAction action = GDB_REPLY;
  size_t at = 0; // the bytes before it are taken
  while (at < in.size() && action == GDB_REPLY && out->size() < GDB_OUTGOING_LIMIT) {
    if (in[at] == RESEND) {
      if (stream->resends < GDB_RESEND_LIMIT) {
        out->append(stream->lastSent);
        ++stream->resends;
      }
      ++at;
      continue;
    }
    if (in[at] != PACKET_START) { // acks, and a Ctrl+C that came too late to stop anything
      ++at;
      continue;
    }
    const size_t end = in.find(PACKET_END, at + 1);
    if (end == std::string::npos || in.size() < end + 1 + CHECKSUM_DIGITS) {
      if (end == std::string::npos && in.size() - at > FRAMED_PACKET_SIZE)
        at = in.size(); // no packet is that long: noise
      break;            // else the rest is still on its way
    }
    const char* payload = in.data() + at + 1;
    const size_t length = end - at - 1;
    const int high = hexValue(in[end + 1]), low = hexValue(in[end + 2]);
    at = end + 1 + CHECKSUM_DIGITS;
    if (high < 0 || low < 0 || uint8_t(high << 4 | low) != gdbChecksum(payload, length)) {
      out->push_back(RESEND);
      continue;
    }
    action = answerGdbPacket(payload, length, &reply);
    out->push_back(ACK); // with the reply in one write: gdb would otherwise wait for a delayed segment
    if (action == GDB_RESUME || (action == GDB_KILL && reply.empty()))
      continue;
    gdbFramePacket(reply, &stream->lastSent);
    stream->resends = 0;
    out->append(stream->lastSent);
  }
  stream->incoming.erase(0, at);
  return action;
}

bool gdbStopsBefore(uint32_t pc) {
  GdbStub& g = gdbStub;
  if (g.leaving) {
    g.leaving = false;
    return false;
  }
  for (int i = 0; i < g.breakpointCount; ++i)
    if (g.breakpoints[i] == pc) {
      gdbRequestStop(GDB_STOP_BREAK);
      return true;
    }
  return false;
}

bool gdbStopsAfter() {
  GdbStub& g = gdbStub;
  g.leaving = false;
  bool changed = false;
  for (int i = 0; i < g.watchCount; ++i) {
    GdbWatch& w = g.watches[i];
    if (memcmp(w.seen, machineMemory + w.address, w.length) == 0)
      continue;
    memcpy(w.seen, machineMemory + w.address, w.length);
    if (!changed)
      g.watchHit = w.address;
    changed = true;
  }
  if (changed) {
    g.stepping = false;
    gdbRequestStop(GDB_STOP_WATCH);
    return true;
  }
  if (!g.stepping)
    return false;
  g.stepping = false;
  gdbRequestStop(GDB_STOP_STEP);
  return true;
}

void gdbRequestStop(GdbStop stop) {
  gdbStub.stop = stop;
  gdbStub.stopPending = true;
}

void gdbRelease() {
  const GdbLink link = gdbStub.link;
  gdbStub = GdbStub{};
  gdbStub.link = link;
}
