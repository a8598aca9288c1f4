#include "app/gdb_server.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "debug/gdb_stub.h"
#include "host/on_screen.h"
#include "host/run_end.h"
#include "platform/platform.h"

GdbServer gdbServer{-1, -1, false, {}, {}};

namespace {
constexpr char STOPPED_TEXT[] = "Stopped by gdb";
constexpr char WAITING_TEXT[] = "Waiting for gdb";
constexpr char INTERRUPT_BYTE = 0x03;
constexpr int CHECKSUM_DIGITS = 2;
constexpr uint32_t PORT_LIMIT = 65535;

// Sends all of bytes in one write where the socket takes them; false when the connection is gone.
bool sendAll(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(gdbServer.client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    sent += size_t(n);
  }
  return true;
}

// The ack and the packet in one write: gdb would otherwise wait for a delayed segment.
bool sendPacket(const std::string& payload, bool ack) {
  gdbFramePacket(payload, &gdbServer.lastSent);
  return sendAll(ack ? "+" + gdbServer.lastSent : gdbServer.lastSent);
}

void closeClient() {
  if (gdbServer.client >= 0)
    close(gdbServer.client);
  gdbServer.client = -1;
  gdbServer.running = false;
  gdbServer.incoming.clear();
}

// gdb went away without a kill: the program runs on, and a new gdb may connect.
void dropClient(const char* why) {
  closeClient();
  gdbRelease();
  showHeld(nullptr);
  printf("gdb %s: the program runs on\n", why);
  fflush(stdout);
}

// Takes a waiting connection, if any, within waitMs; true when gdb is connected.
bool acceptClient(int waitMs) {
  pollfd watched{gdbServer.listener, POLLIN, 0};
  if (poll(&watched, 1, waitMs) <= 0)
    return false;
  const int client = accept(gdbServer.listener, nullptr, nullptr);
  if (client < 0)
    return false;
  const int on = 1;
  setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  gdbServer.client = client;
  gdbServer.incoming.clear();
  gdbStub.attached = true;
  printf("gdb connected\n");
  fflush(stdout);
  return true;
}

// Reads what gdb sent within waitMs; false when the connection closed.
bool readClient(int waitMs) {
  pollfd watched{gdbServer.client, POLLIN, 0};
  if (poll(&watched, 1, waitMs) <= 0)
    return true;
  char bytes[4096];
  const ssize_t n = recv(gdbServer.client, bytes, sizeof bytes, MSG_DONTWAIT);
  if (n < 0)
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  if (n == 0)
    return false;
  gdbServer.incoming.append(bytes, size_t(n));
  if (gdbServer.incoming.size() > GDB_INCOMING_LIMIT)
    gdbServer.incoming.clear(); // no packet is that long: noise
  return true;
}

// While the machine is held: a close, Alt+F4 or a signal ends the run; a reset (F1) waits.
void pumpWindow() {
  PlatformMessage message;
  while (!endRequested() && platformTakeUrgentMessage(&message))
    if (message.message != MSG_KEYDOWN)
      platformDispatchMessage(&message);
}

// Takes the complete packets read so far and answers them; the action of the last one that was
// not a plain reply.
GdbAction answerPackets() {
  std::string& in = gdbServer.incoming;
  std::string reply;
  while (!in.empty()) {
    if (in[0] == '-') {
      sendAll(gdbServer.lastSent);
      in.erase(0, 1);
      continue;
    }
    if (in[0] != '$') { // acks, and a Ctrl+C that came too late to stop anything
      in.erase(0, 1);
      continue;
    }
    const size_t end = in.find('#');
    if (end == std::string::npos || in.size() < end + 1 + CHECKSUM_DIGITS)
      return GDB_REPLY; // the rest is still on its way
    const unsigned sum = unsigned(strtoul(in.substr(end + 1, CHECKSUM_DIGITS).c_str(), nullptr, 16));
    const std::string payload = in.substr(1, end - 1);
    in.erase(0, end + 1 + CHECKSUM_DIGITS);
    if (sum != gdbChecksum(payload.data(), payload.size())) {
      sendAll("-");
      continue;
    }
    const GdbAction action = answerGdbPacket(payload.data(), payload.size(), &reply);
    if (action == GDB_RESUME) {
      sendAll("+");
      gdbServer.running = true;
      return action;
    }
    if (action == GDB_KILL && reply.empty()) {
      sendAll("+");
      return action;
    }
    sendPacket(reply, true);
    if (action != GDB_REPLY)
      return action;
  }
  return GDB_REPLY;
}

// The machine is stopped: tells a waiting gdb why, then answers it until it lets the machine run.
bool serveStop() {
  GdbServer& s = gdbServer;
  showHeld(s.client < 0 ? WAITING_TEXT : STOPPED_TEXT);
  if (s.running) {
    std::string reply;
    gdbStopReply(&reply);
    s.running = false;
    if (!sendPacket(reply, false)) {
      dropClient("is gone");
      return false;
    }
  }
  for (;;) {
    pumpWindow();
    if (endRequested()) {
      closeClient();
      return true;
    }
    if (s.client < 0) {
      if (acceptClient(int(GDB_WAIT_MS)))
        showHeld(STOPPED_TEXT);
      continue;
    }
    if (!readClient(int(GDB_WAIT_MS))) {
      dropClient("closed the connection");
      return false;
    }
    switch (answerPackets()) {
    case GDB_REPLY:
      break;
    case GDB_RESUME:
      showHeld(nullptr);
      return false;
    case GDB_DETACH:
      closeClient();
      showHeld(nullptr);
      printf("gdb detached: the program runs on\n");
      fflush(stdout);
      return false;
    case GDB_KILL:
      closeClient();
      printf("gdb ended the run\n");
      fflush(stdout);
      return true;
    }
  }
}

// Between slices: a Ctrl+C stops the machine, a closed connection lets it run on, a new gdb takes it.
void pollConnection() {
  GdbServer& s = gdbServer;
  if (s.client < 0) {
    if (acceptClient(0))
      gdbRequestStop(GDB_STOP_INTERRUPT);
    return;
  }
  if (!readClient(0))
    return dropClient("closed the connection");
  const size_t interrupt = s.incoming.find(INTERRUPT_BYTE);
  if (interrupt != std::string::npos) {
    s.incoming.erase(0, interrupt + 1);
    gdbRequestStop(GDB_STOP_INTERRUPT);
  }
}

// The run ended: a gdb waiting for the machine to stop learns its exit code.
void endConnection(int code) {
  if (gdbServer.client >= 0 && gdbServer.running) {
    char reply[8];
    snprintf(reply, sizeof reply, "W%02x", unsigned(code) & 0xFF);
    sendPacket(reply, false);
  }
  closeClient();
  if (gdbServer.listener >= 0)
    close(gdbServer.listener);
  gdbServer.listener = -1;
}
} // namespace

bool startGdbServer(const char* where, char* message, int messageSize) {
  std::string host = GDB_DEFAULT_HOST;
  const char* port = where;
  if (const char* colon = strrchr(where, ':')) {
    host.assign(where, size_t(colon - where));
    port = colon + 1;
  }
  char* end = nullptr;
  errno = 0;
  const unsigned long number = strtoul(port, &end, 10);
  in_addr address{};
  if (!*port || *end || errno || number > PORT_LIMIT || port[0] == '-' || port[0] == '+') {
    snprintf(message, size_t(messageSize), "--gdb needs a port (0 to %u, 0 picks a free one) or ADDRESS:PORT", PORT_LIMIT);
    return false;
  }
  if (inet_pton(AF_INET, host.c_str(), &address) != 1) {
    snprintf(message, size_t(messageSize), "--gdb: '%s' is no IPv4 address (such as 127.0.0.1)", host.c_str());
    return false;
  }
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_port = htons(uint16_t(number));
  socketAddress.sin_addr = address;
  socklen_t length = sizeof socketAddress;
  const int on = 1;
  if (listener < 0 || setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(listener, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&socketAddress), &length) != 0) {
    snprintf(message, size_t(messageSize), "cannot listen for gdb on %s:%lu: %s", host.c_str(), number, strerror(errno));
    if (listener >= 0)
      close(listener);
    return false;
  }
  gdbServer.listener = listener;
  gdbStub.link = GdbLink{serveStop, pollConnection, endConnection};
  gdbStub.attached = true;
  if (address.s_addr != htonl(INADDR_LOOPBACK))
    printf("Warning: gdb can connect from other machines through %s, and it reads and writes all memory\n",
           host.c_str());
  printf("Waiting for gdb on %s:%u\n", host.c_str(), unsigned(ntohs(socketAddress.sin_port)));
  fflush(stdout);
  return true;
}
