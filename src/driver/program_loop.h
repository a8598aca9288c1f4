// The programs' frame loop on top of the core's interface: slices of instructions, the pass after
// every frame end (input, composition, presentation, the files of a pass) and the hang watch between
// slices.
#pragma once
#include <cstdint>

#include "platform/platform.h"

// While fast-forwarding, passes are presented at most once per this many seconds.
inline constexpr double FAST_FORWARD_PRESENT_SECONDS = 1.0 / PRESENT_RATE;
// Instructions run between two looks at the clock by the hang watch.
inline constexpr uint32_t HANG_WATCH_INSTRUCTIONS = 0x10000;
// Time without a frame end that counts as a hang.
inline constexpr double HANG_SECONDS = 1.0;
// Longest time between two looks for an end request during a hang.
inline constexpr double HANG_LOOK_SECONDS = 0.05;

struct ProgramLoop {
  bool countInstructions;     // statistics wanted (headless --stats)
  double loopStartSeconds;    // steady-clock time the loop began, when counted
  double loopStartCpuSeconds; // processor time used when the loop began, when counted
  double lastFrameSeconds;    // steady-clock time the last frame's pass returned (or the loop began)
  double lastHangLookSeconds; // when a hang last looked for an end request
  bool hangReported;          // this hang has been reported
  bool exitOnHang;            // a reported hang ends the run in order (headless --exit-on-hang)
};

extern ProgramLoop programLoop;

// Runs the board until an end is asked for (a closed window, a signal, a frame limit, a breakpoint).
void runFrameLoop();
// One pass (repeated while the sprite inspector is on): input, composition, presentation; returns at
// once when the pump finds the run is to end.
void renderFrame();
// Between slices: reports a hang once, then answers urgent messages while it lasts; true when the run
// is to end.
bool watchForHang();
