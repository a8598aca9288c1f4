#include "driver/frame_loop.h"

#include <cstdio>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "cpu68k/exceptions.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "driver/warnings.h"

FrameLoopState frameLoopState;
LoopWatch loopWatch;

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
}

// The counter stays in a register: what is left is stored once, as the slice returns.
template <LoopKind KIND> static SliceEnd runSliceOf(uint32_t count, uint32_t* left) {
  for (; count; --count) {
    if constexpr (KIND == LOOP_WATCHING)
      if (loopWatch.before && loopWatch.before()) [[unlikely]] {
        *left = count;
        return SLICE_STOPPED;
      }
    const uint32_t opcode = fetchWord();
    opHandlerTable[opcode](opcode);
    if constexpr (KIND == LOOP_COUNTING)
      ++frameLoopState.instructionCount;
    // gdb's stop after this instruction (a step, a watched write) stays pending over a frame end.
    bool stopAfter = false;
    if constexpr (KIND == LOOP_WATCHING)
      stopAfter = loopWatch.after && loopWatch.after();
    if (getPc() == IDLE_LOOP_PC) [[unlikely]] {
      if (frameEnds()) {
        if constexpr (KIND == LOOP_COUNTING)
          ++frameLoopState.frameCount;
        endFrame();
        *left = count - 1;
        return SLICE_FRAME_ENDED;
      }
    }
    if constexpr (KIND == LOOP_WATCHING)
      if (stopAfter) [[unlikely]] {
        *left = count - 1;
        return SLICE_STOPPED;
      }
  }
  *left = 0;
  return SLICE_SPENT;
}

static SliceEnd (*const SLICE_RUNNERS[LOOP_KIND_COUNT])(uint32_t, uint32_t*) = {
    runSliceOf<LOOP_PLAIN>, runSliceOf<LOOP_COUNTING>, runSliceOf<LOOP_WATCHING>};

SliceEnd runSlice(LoopKind kind, uint32_t count, uint32_t* left) { return SLICE_RUNNERS[kind](count, left); }

void runInstructions(uint32_t count, void (*pass)()) {
  while (count) {
    if (runSlice(LOOP_PLAIN, count, &count) == SLICE_FRAME_ENDED && pass)
      pass();
  }
}
