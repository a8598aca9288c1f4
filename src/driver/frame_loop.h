// Start-up and the frame loop: the program's heartbeat.
#pragma once
#include <cstdint>

// The frame ends on the first detection after the count of earlier ones exceeds this: the twelfth.
inline constexpr int32_t IDLE_HIT_LIMIT = 10;
inline constexpr uint8_t FRAME_FLAG_BIT = 0x80;
inline constexpr uint32_t VBLANK_MASK = 1;

struct FrameLoopState {
  bool wideMode;             // -640: 640x480 display
  int32_t idleHitCount;      // idle-loop detections in this frame
  bool countInstructions;    // statistics wanted (headless --stats)
  uint64_t instructionCount; // instructions run, when counted
  uint64_t frameCount;       // frame ends, when counted
  double loopStartSeconds;   // steady-clock time the loop began, when counted
  double lastFrameSeconds;   // steady-clock time the last frame's pass returned (or the loop began)
  double lastHangLookSeconds; // when a hang last looked for an end request
  bool hangReported;         // this hang has been reported
};

// Instructions run between two looks at the clock by the hang watch.
inline constexpr uint32_t HANG_WATCH_INSTRUCTIONS = 0x10000;
// Emulated time without a frame end that counts as a hang.
inline constexpr double HANG_SECONDS = 1.0;
// Longest time between two looks for an end request during a hang.
inline constexpr double HANG_LOOK_SECONDS = 0.05;

extern FrameLoopState frameLoopState;

// Fetch, dispatch and frame detection, for ever, with the hang watch between slices.
[[noreturn]] void runFrameLoop();
// Runs count instructions of the plain loop (frame ends included), without the hang watch.
void runInstructions(uint32_t count);
// Between slices: reports a hang once, then answers end requests and urgent messages while it lasts.
void watchForHang();
// True when the instruction just run ends the frame (PC at the idle loop with the flag set, 12th time).
bool frameEnds();
// Seconds on a steady clock.
double steadySeconds();
// Frame end: vertical-blank interrupt, mask 1, then one pass of the frame routine.
void endFrame();
