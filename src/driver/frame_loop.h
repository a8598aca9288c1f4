// The core's frame loop: instructions in slices that return at a frame end.
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
  bool exitOnHang;           // a reported hang ends the run in order (headless --exit-on-hang)
};

// Instructions run between two looks at the clock by the hang watch.
inline constexpr uint32_t HANG_WATCH_INSTRUCTIONS = 0x10000;
// Emulated time without a frame end that counts as a hang.
inline constexpr double HANG_SECONDS = 1.0;
// Longest time between two looks for an end request during a hang.
inline constexpr double HANG_LOOK_SECONDS = 0.05;

extern FrameLoopState frameLoopState;

// The loop's variants: the plain one pays for nothing else; LOOP_COUNTING adds the statistics
// counters; LOOP_WATCHING adds the breakpoints and the instruction trace.
enum LoopKind { LOOP_PLAIN, LOOP_COUNTING, LOOP_WATCHING, LOOP_KIND_COUNT };

// How a slice of instructions ended.
enum SliceEnd {
  SLICE_SPENT,       // the count ran out without a frame end
  SLICE_FRAME_ENDED, // the program ended a frame: the vertical-blank interrupt has been taken
  SLICE_STOPPED,     // a breakpoint was reached before its instruction ran, or gdb stopped the machine
};

// Runs at most count instructions of the variant kind, returning at the first frame end; left gets
// the count not run.
SliceEnd runSlice(LoopKind kind, uint32_t count, uint32_t* left);
// Runs count instructions of the plain loop, frame ends and the caller's pass at each included.
void runInstructions(uint32_t count, void (*pass)());
// True when the instruction just run ends the frame (PC at the idle loop with the flag set, 12th time).
bool frameEnds();
// Seconds on a steady clock.
double steadySeconds();
// Frame end: the warning budget renewed, the vertical-blank interrupt taken, mask 1.
void endFrame();
