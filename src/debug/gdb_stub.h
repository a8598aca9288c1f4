// The machine's side of gdb's remote protocol: packets answered from the CPU and memory, gdb's
// breakpoints, write watchpoints and single steps, checked by the watching variant of the frame
// loop. The connection itself is the program's (a GdbLink); the core never touches a socket.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int GDB_REGISTER_COUNT = 18;       // d0-d7, a0-a5, fp, sp, ps, pc
inline constexpr int GDB_REGISTER_PS = 16;
inline constexpr int GDB_REGISTER_PC = 17;
inline constexpr size_t GDB_PACKET_SIZE = 0x4000;   // the largest packet gdb may send us
inline constexpr int GDB_BREAKPOINT_LIMIT = 64;
inline constexpr int GDB_WATCH_LIMIT = 16;
inline constexpr uint32_t GDB_WATCH_BYTES = 64;     // bytes one watchpoint covers at most
inline constexpr int GDB_SIGNAL_INT = 2;            // stop signals as gdb numbers them
inline constexpr int GDB_SIGNAL_TRAP = 5;
// '-' (send that again) answered in a row; more are ignored until a new packet is answered. On a
// reliable stream a packet that came wrong this often will not come right, and a gdb asking in a
// loop must not multiply what we send.
inline constexpr int GDB_RESEND_LIMIT = 3;
// Bytes waiting to go to gdb past which no further packet is answered: gdb reads them first.
inline constexpr size_t GDB_OUTGOING_LIMIT = 0x10000;

// Why the machine stopped for gdb.
enum GdbStop { GDB_STOP_START, GDB_STOP_BREAK, GDB_STOP_STEP, GDB_STOP_WATCH, GDB_STOP_INTERRUPT };

// What an answered packet asks of the connection besides sending the reply.
enum GdbAction {
  GDB_REPLY,  // send the reply and wait for the next packet
  GDB_RESUME, // no reply now: the machine runs (continue or step) until it stops again
  GDB_DETACH, // reply, close: the program runs on without gdb
  GDB_KILL,   // reply (when there is one), close: the run ends in order
};

// The program's connection, set when it serves gdb (null: no stub).
struct GdbLink {
  bool (*serveStop)();     // reports the stop and answers gdb until it resumes; true when the run is to end
  void (*poll)();          // while running: a Ctrl+C from gdb stops the machine, a closed connection detaches
  void (*ended)(int code); // the run ended with code: gdb is told, the connection closed
};

struct GdbWatch {
  uint32_t address, length;
  uint8_t seen[GDB_WATCH_BYTES]; // the bytes as last seen
};

struct GdbStub {
  GdbLink link;
  bool attached;     // gdb controls the run: the loop runs its watching variant
  bool stopPending;  // stopped: the loop serves gdb before it runs on
  GdbStop stop;
  uint32_t watchHit; // the watchpoint's address, for GDB_STOP_WATCH
  bool stepping;     // stop after the next instruction
  bool leaving;      // the first instruction after a resume runs even at a breakpoint
  uint32_t breakpoints[GDB_BREAKPOINT_LIMIT];
  int breakpointCount;
  GdbWatch watches[GDB_WATCH_LIMIT];
  int watchCount;
};

// The bytes from gdb: packets ('$', payload, '#', two hex digits of checksum), acks ('+', '-') and
// Ctrl+C (0x03), in whatever pieces the connection hands them over.
struct GdbStream {
  std::string incoming; // bytes read and not yet taken as packets
  std::string lastSent; // the last packet framed, sent again on a '-'
  int resends;          // '-' answered since that packet
};

extern GdbStub gdbStub;

// Answers one packet's payload (between '$' and '#'): reply gets the reply's payload.
GdbAction answerGdbPacket(const char* packet, size_t length, std::string* reply);
// Answers the complete packets of stream->incoming, appending to out what goes back (acks, replies,
// resends) until out holds GDB_OUTGOING_LIMIT bytes; stops after a packet that is not a plain reply
// and returns its action, the rest staying in incoming for later; GDB_REPLY when it stopped for a
// packet still on its way, a full out or an empty incoming.
GdbAction gdbAnswerStream(GdbStream* stream, std::string* out);
// The stop reply for the stop that is pending ("T05swbreak:;", "T05watch:80100;", ...).
void gdbStopReply(std::string* reply);
// Wraps a payload as a packet: '$', the payload with '$', '#', '}' and '*' escaped, '#', checksum.
void gdbFramePacket(const std::string& payload, std::string* packet);
// The protocol's checksum: the payload's bytes added modulo 256.
uint8_t gdbChecksum(const char* bytes, size_t length);
// Before an instruction at pc: true when gdb's breakpoint there stops the machine.
bool gdbStopsBefore(uint32_t pc);
// After an instruction: true when a step ended or a watched byte changed (the stop is pending).
bool gdbStopsAfter();
// Marks a stop of kind stop as pending.
void gdbRequestStop(GdbStop stop);
// Leaves gdb's control: breakpoints, watchpoints and steps dropped, the run goes on as it would.
void gdbRelease();
// While running: looks at the connection; true when gdb asked for a stop (Ctrl+C, a new gdb).
inline bool gdbPoll() {
  if (gdbStub.link.poll)
    gdbStub.link.poll();
  return gdbStub.stopPending;
}
