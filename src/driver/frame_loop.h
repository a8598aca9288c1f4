// The core's frame loop: instructions in slices that return at a frame end.
#pragma once
#include <cstdint>

// The frame ends on the first detection after the count of earlier ones exceeds this: the twelfth.
inline constexpr int32_t IDLE_HIT_LIMIT = 10;
inline constexpr uint8_t FRAME_FLAG_BIT = 0x80;
inline constexpr uint32_t VBLANK_MASK = 1;

struct FrameLoopState {
  int32_t idleHitCount;      // idle-loop detections in this frame
  uint32_t passCount;        // passes composed since the ROM set was loaded (inspector repeats included)
  uint64_t instructionCount; // instructions run by the counting variant
  uint64_t frameCount;       // frame ends seen by the counting variant
};

extern FrameLoopState frameLoopState;

// What the watching variant asks before and after each instruction; true stops the slice (before
// it: the instruction does not run). The debugger sets them; a null one asks nothing.
struct LoopWatch {
  bool (*before)();
  bool (*after)();
};

extern LoopWatch loopWatch;

// The loop's variants: the plain one pays for nothing else; LOOP_COUNTING adds the statistics
// counters; LOOP_WATCHING adds loopWatch's questions (the trace, breakpoints, gdb).
enum LoopKind { LOOP_PLAIN, LOOP_COUNTING, LOOP_WATCHING, LOOP_KIND_COUNT };

// How a slice of instructions ended.
enum SliceEnd {
  SLICE_SPENT,       // the count ran out without a frame end
  SLICE_FRAME_ENDED, // the program ended a frame: the vertical-blank interrupt has been taken
  SLICE_STOPPED,     // the watching variant's watch stopped it (a breakpoint, gdb)
};

// Runs at most count instructions of the variant kind, returning at the first frame end; left gets
// the count not run.
SliceEnd runSlice(LoopKind kind, uint32_t count, uint32_t* left);
// Runs count instructions of the plain loop, frame ends and the caller's pass at each included.
void runInstructions(uint32_t count, void (*pass)());
// True when the instruction just run ends the frame (PC at the idle loop with the flag set, 12th time).
bool frameEnds();
// Frame end: the warning budget renewed, the vertical-blank interrupt taken, mask 1.
void endFrame();
