// gdb's connection for the programs on Linux: one TCP listener (127.0.0.1 unless an address is
// given), one gdb at a time, answered while the machine is stopped and looked at between slices
// while it runs. The protocol's answers are the debugger's (debug/gdb_stub.h).
#pragma once
#include <string>

#include "debug/gdb_stub.h"

inline constexpr unsigned GDB_WAIT_MS = 20;           // longest wait on the socket before the window is pumped
inline constexpr char GDB_DEFAULT_HOST[] = "127.0.0.1";
inline constexpr size_t GDB_INCOMING_LIMIT = 0x10000; // unframed bytes kept at most
// Longest time gdb may leave our answers unread before it is let go (the run goes on without it).
inline constexpr double GDB_STALL_SECONDS = 5;

struct GdbServer {
  int listener;          // -1: none
  int client;            // -1: no gdb connected
  bool running;          // gdb waits for a stop reply
  GdbStream stream;      // what gdb sent, and the last packet sent back
  std::string outgoing;  // bytes answered and not yet taken by the socket
  double movedSeconds;   // when outgoing last started waiting or the socket last took from it
};

extern GdbServer gdbServer;

// Parses "PORT" or "ADDRESS:PORT" (PORT 0 picks a free port), listens there, prints "Waiting for gdb
// on ADDRESS:PORT" (and a warning for an address other than the loopback) and hands the core its
// link; false with a one-line reason in message.
bool startGdbServer(const char* where, char* message, int messageSize);
