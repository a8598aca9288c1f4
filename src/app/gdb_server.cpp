#include "app/gdb_server.h"

#include <algorithm>
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
#include "host/steady_clock.h"
#include "platform/platform.h"

GdbServer gdbServer{-1, -1, false, {}, {}, 0};

namespace {
constexpr char STOPPED_TEXT[] = "Stopped by gdb";
constexpr char WAITING_TEXT[] = "Waiting for gdb";
constexpr char INTERRUPT_BYTE = 0x03;
constexpr size_t READ_CHUNK = 4096;
constexpr uint32_t PORT_LIMIT = 65535;
constexpr char DECIMAL_DIGITS[] = "0123456789";

// Queues bytes for gdb: they go as the socket takes them, the run never waiting on it.
void queue(const std::string& bytes) {
  if (gdbServer.outgoing.empty())
    gdbServer.movedSeconds = steadySeconds();
  gdbServer.outgoing += bytes;
}

void queuePacket(const std::string& payload) {
  gdbFramePacket(payload, &gdbServer.stream.lastSent);
  gdbServer.stream.resends = 0;
  queue(gdbServer.stream.lastSent);
}

// Hands the socket what it takes of the queued bytes without waiting; false when the connection is gone.
bool flushClient() {
  GdbServer& s = gdbServer;
  size_t sent = 0;
  while (sent < s.outgoing.size()) {
    const ssize_t n = send(s.client, s.outgoing.data() + sent, s.outgoing.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      break;
    if (n <= 0)
      return false;
    sent += size_t(n);
  }
  if (sent) {
    s.outgoing.erase(0, sent);
    s.movedSeconds = steadySeconds();
  }
  return true;
}

void closeClient() {
  if (gdbServer.client >= 0)
    close(gdbServer.client);
  gdbServer.client = -1;
  gdbServer.running = false;
  gdbServer.stream = GdbStream{};
  gdbServer.outgoing.clear();
}

// gdb went away without a kill: the program runs on, and a new gdb may connect.
void dropClient(const char* why) {
  closeClient();
  gdbRelease();
  showHeld(nullptr);
  printf("gdb %s: the program runs on\n", why);
  fflush(stdout);
}

// Sends what it can; a gdb gone, or one that left our answers unread for GDB_STALL_SECONDS, is let go.
// False when gdb was.
bool keepUp() {
  GdbServer& s = gdbServer;
  if (!flushClient()) {
    dropClient("closed the connection");
    return false;
  }
  if (!s.outgoing.empty() && steadySeconds() - s.movedSeconds > GDB_STALL_SECONDS) {
    char why[64];
    snprintf(why, sizeof why, "stopped reading for %g s and was let go", GDB_STALL_SECONDS);
    dropClient(why);
    return false;
  }
  return true;
}

// A last try to send what is queued, then the connection closed: a gdb that is not reading is not waited for.
void sendAndClose() {
  flushClient();
  closeClient();
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
  gdbStub.attached = true;
  printf("gdb connected\n");
  fflush(stdout);
  return true;
}

// Reads what gdb sent within waitMs, or returns sooner when the socket takes queued bytes; nothing
// is read while GDB_OUTGOING_LIMIT bytes wait to be sent or GDB_INCOMING_LIMIT wait to be answered.
// False when the connection closed.
bool readClient(int waitMs) {
  GdbServer& s = gdbServer;
  const size_t room = s.outgoing.size() >= GDB_OUTGOING_LIMIT ? 0 : GDB_INCOMING_LIMIT - s.stream.incoming.size();
  pollfd watched{s.client, short((room ? POLLIN : 0) | (s.outgoing.empty() ? 0 : POLLOUT)), 0};
  if (poll(&watched, 1, waitMs) <= 0 || !room)
    return true;
  char bytes[READ_CHUNK];
  const ssize_t n = recv(s.client, bytes, std::min(room, sizeof bytes), MSG_DONTWAIT);
  if (n < 0)
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  if (n == 0)
    return false;
  s.stream.incoming.append(bytes, size_t(n));
  return true;
}

// While the machine is held: a close, Alt+F4 or a signal ends the run; a reset (F1) waits.
void pumpWindow() {
  PlatformMessage message;
  while (!endRequested() && platformTakeUrgentMessage(&message))
    if (message.message != MSG_KEYDOWN)
      platformDispatchMessage(&message);
}

// The machine is stopped: tells a waiting gdb why, then answers it until it lets the machine run.
bool serveStop() {
  GdbServer& s = gdbServer;
  showHeld(s.client < 0 ? WAITING_TEXT : STOPPED_TEXT);
  if (s.running) {
    std::string reply;
    gdbStopReply(&reply);
    s.running = false;
    queuePacket(reply);
    if (!flushClient()) {
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
    switch (gdbAnswerStream(&s.stream, &s.outgoing)) {
    case GDB_REPLY:
      if (!keepUp())
        return false;
      break;
    case GDB_RESUME:
      s.running = true;
      if (!keepUp())
        return false;
      showHeld(nullptr);
      return false;
    case GDB_DETACH:
      sendAndClose();
      showHeld(nullptr);
      printf("gdb detached: the program runs on\n");
      fflush(stdout);
      return false;
    case GDB_KILL:
      sendAndClose();
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
  if (!s.outgoing.empty() && !keepUp())
    return;
  std::string& in = s.stream.incoming;
  const size_t interrupt = in.find(INTERRUPT_BYTE);
  if (interrupt != std::string::npos) {
    in.erase(0, interrupt + 1);
    gdbRequestStop(GDB_STOP_INTERRUPT);
  } else if (in.size() >= GDB_INCOMING_LIMIT) {
    in.clear(); // while the machine runs gdb sends nothing but Ctrl+C: noise
  }
}

// The run ended: a gdb waiting for the machine to stop learns its exit code.
void endConnection(int code) {
  if (gdbServer.client >= 0 && gdbServer.running) {
    char reply[8];
    snprintf(reply, sizeof reply, "W%02x", unsigned(code) & 0xFF);
    queuePacket(reply);
  }
  sendAndClose();
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
  // Digits only: strtoul alone would take a leading space or sign.
  if (!*port || strspn(port, DECIMAL_DIGITS) != strlen(port) || *end || errno || number > PORT_LIMIT) {
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
