#include "driver/frame_loop.h"

#include <chrono>
#include <cstdio>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "cpu68k/exceptions.h"
#include "driver/board.h"
#include "driver/debugger.h"
#include "driver/memory.h"
#include "driver/warnings.h"
#include "host/run_end.h"
#include "platform/platform.h"
#include "video/display.h"

FrameLoopState frameLoopState;

bool frameEnds() {
  const uint32_t flagAddress = peekLong(FRAME_FLAG_POINTER);
  // A flag address outside the image counts as a clear flag.
  if (flagAddress >= MEMORY_SIZE || !(machineMemory[flagAddress] & FRAME_FLAG_BIT))
    return false;
  return frameLoopState.idleHitCount++ > IDLE_HIT_LIMIT;
}

void endFrame() {
  frameLoopState.idleHitCount = 0;
  startWarningFrame();
  takeException(VECTOR_LEVEL1);
  cpuState.intMask = VBLANK_MASK;
  cpuState.specialFlags |= SPECIAL_SR_LOADED;
  renderFrame();
  // Time spent waiting inside the pass (inactive window, inspector) is not the program's.
  frameLoopState.lastFrameSeconds = steadySeconds();
  frameLoopState.hangReported = false;
}

// The loop's variants: the plain one pays for nothing else; COUNTING adds the statistics
// counters; WATCHING adds the breakpoints and the instruction trace.
enum LoopKind { LOOP_PLAIN, LOOP_COUNTING, LOOP_WATCHING };

template <LoopKind KIND> static void runSlice(uint32_t count) {
  for (; count; --count) {
    if constexpr (KIND == LOOP_WATCHING)
      watchInstruction();
    const uint32_t opcode = fetchWord();
    opHandlerTable[opcode](opcode);
    if constexpr (KIND == LOOP_COUNTING)
      ++frameLoopState.instructionCount;
    if constexpr (KIND == LOOP_WATCHING)
      finishTraceLine();
    if (getPc() == IDLE_LOOP_PC) [[unlikely]] {
      if (frameEnds()) {
        if constexpr (KIND == LOOP_COUNTING)
          ++frameLoopState.frameCount;
        endFrame();
      }
    }
  }
}

template <LoopKind KIND> [[noreturn]] static void frameLoop() {
  frameLoopState.lastFrameSeconds = steadySeconds();
  for (;;) {
    runSlice<KIND>(HANG_WATCH_INSTRUCTIONS);
    watchForHang();
  }
}

void runInstructions(uint32_t count) { runSlice<LOOP_PLAIN>(count); }

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void watchForHang() {
  FrameLoopState& fl = frameLoopState;
  const double now = steadySeconds();
  if (now - fl.lastFrameSeconds < HANG_SECONDS)
    return;
  if (!fl.hangReported) {
    fl.hangReported = true;
    reportSuppressedWarnings();
    printf("No frame for 1 s: the program at PC %08x is not reaching its idle loop\n", getPc());
    fflush(stdout);
  }
  if (now - fl.lastHangLookSeconds < HANG_LOOK_SECONDS)
    return;
  fl.lastHangLookSeconds = now;
  if (endRequested())
    endRun(false);
  // Only the messages that rescue a person are taken; the rest wait for the next frame end.
  PlatformMessage message;
  while (platformTakeUrgentMessage(&message)) {
    platformDispatchMessage(&message);
    // A reset starts the program again: a new hang is reported anew.
    fl.lastFrameSeconds = steadySeconds();
    fl.hangReported = false;
  }
}

void runFrameLoop() {
  if (debuggerWanted())
    frameLoop<LOOP_WATCHING>();
  if (frameLoopState.countInstructions) {
    frameLoopState.loopStartSeconds = steadySeconds();
    frameLoop<LOOP_COUNTING>();
  }
  frameLoop<LOOP_PLAIN>();
}
