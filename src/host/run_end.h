// The one way a run ends after start-up, whatever asked for it (window closed, Alt+F4, a frame
// limit, a signal, a console event, a breakpoint, the display lost): the request is recorded and the
// program's loop acts on it; keys.bin closed with every logged pass, the backend's files closed,
// dump.bin written with the CPU between instructions, then the program's exit.
#pragma once
#include <csignal>

// Exit codes of every program.
inline constexpr int EXIT_CODE_HELP = 0;         // help or version printed
inline constexpr int EXIT_CODE_END = 1;          // an orderly end (and start-up failures)
inline constexpr int EXIT_CODE_USAGE = 2;        // bad arguments or script
inline constexpr int EXIT_CODE_DECODE = 3;       // the decode table could not be built
inline constexpr int EXIT_CODE_WRITE_FAILED = 4; // an orderly end in which a file failed

// Longest wait, in milliseconds, before a waiting program looks for an end request again.
inline constexpr unsigned END_CHECK_MS = 100;

// An orderly end after a hang (quillomark-headless --exit-on-hang), when no file failed.
inline constexpr int EXIT_CODE_HANG = 5;

struct RunEnd {
  volatile sig_atomic_t requested; // set by a signal or console handler; acted on by the program
  bool afterHang;                  // asked for by the hang watch (--exit-on-hang)
};

extern RunEnd runEnd;

// Installs handlers for SIGINT, SIGTERM and (where it exists) SIGHUP that only record the request.
void watchEndSignals();
// True when a signal or console event asked for the end.
inline bool endRequested() { return runEnd.requested != 0; }
// Records an end request; safe in a signal handler.
inline void requestEnd() { runEnd.requested = 1; }
// The orderly end's work: closes keys.bin, the trace and the sound log, says what was asked for and not done (a
// breakpoint never reached, a state never saved), releases the backend (after a lost display nothing
// touches it), writes dump.bin; returns the exit code: 1, or 4 when a file failed. The programs exit
// with it.
int finishRun(bool displayLost);
