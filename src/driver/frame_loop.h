// Start-up and the frame loop: the program's heartbeat.
#pragma once
#include <cstdint>

inline constexpr int32_t IDLE_HIT_LIMIT = 10; // the frame ends at the twelfth detection
inline constexpr uint8_t FRAME_FLAG_BIT = 0x80;
inline constexpr uint32_t VBLANK_MASK = 1;

struct FrameLoopState {
  bool wideMode;             // -640: 640x480 display
  int32_t idleHitCount;      // idle-loop detections in this frame
  bool countInstructions;    // statistics wanted (headless --stats)
  uint64_t instructionCount; // instructions run, when counted
  uint64_t frameCount;       // frame ends, when counted
  double loopStartSeconds;   // steady-clock time the loop began, when counted
};

extern FrameLoopState frameLoopState;

// The program: banner, options, start-up in order, then the frame loop. Never returns.
[[noreturn]] void runQuillomark(int argc, char** argv);
// Prints the eight banner lines.
void printBanner();
// Sets wideMode for every argument that is exactly "-640"; ignores the rest.
void parseOptions(int argc, char** argv);
// Fetch, dispatch and frame detection, for ever.
[[noreturn]] void runFrameLoop();
// True when the instruction just run ends the frame (PC at the idle loop with the flag set, 12th time).
bool frameEnds();
// Seconds on a steady clock.
double steadySeconds();
// Frame end: vertical-blank interrupt, mask 1, then one pass of the frame routine.
void endFrame();
