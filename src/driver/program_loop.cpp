#include "driver/program_loop.h"

#include <cstdio>

#include "core/core.h"
#include "core/rewind.h"
#include "debug/debugger.h"
#include "debug/symbols.h"
#include "driver/warnings.h"
#include "host/controls.h"
#include "host/input_log.h"
#include "host/joystick.h"
#include "host/message_pump.h"
#include "host/on_screen.h"
#include "host/run_end.h"
#include "host/state_files.h"
#include "host/steady_clock.h"
#include "video/display.h"
#include "video/screenshot.h"
#include "video/sprites.h"

ProgramLoop programLoop;

// While fast-forwarding, a pass is shown only when a display period has passed since the last one shown.
static bool presentDue() {
  if (!hostControls.fastForward)
    return true;
  const double now = steadySeconds();
  if (now - hostControls.lastPresentSeconds < FAST_FORWARD_PRESENT_SECONDS)
    return false;
  hostControls.lastPresentSeconds = now;
  return true;
}

void renderFrame() {
  bool repeat = false; // the inspector's passes after the first: the board has not run since
  do {
    platformPassStarting(corePassCount() + 1);
    if (!pumpMessages())
      return;
    pollJoystick();
    replayInputs();
    logInputs();
    logSoundCommands(corePassCount() + 1);
    spriteState.inspecting = spriteState.inspector != 0;
    if (spriteState.inspecting) {
      // The inspected entry's address, before any warning its drawing gives; on time, even in a pipe.
      printf("%x\n", spriteEntryAddress(spriteState.inspectedSlot));
      fflush(stdout);
    }
    coreCompose();
    if (presentDue()) {
      if (!showPicture())
        return;
      if (spriteState.inspector) {
        char text[16];
        const int length = snprintf(text, sizeof text, "%d   ", spriteState.inspectedSlot);
        platformDrawText(displayContext.window, text, length);
      }
      refreshOverlay();
    }
    saveStateAfterPass(corePassCount()); // quillomark-headless --save-state
    if (hostControls.frameShotsOn)
      writeFrameShot();
    if (hostControls.rewindOn && !repeat)
      coreKeepPass();
    repeat = true;
  } while (spriteState.inspector);
}

// A pass backwards while R is held: the messages taken, the machine one kept pass back, its picture
// shown (paced as every present is). Nothing is logged and the pass count stays.
static void rewindPass() {
  if (!pumpMessages() || !hostControls.rewinding)
    return;
  if (coreRewindPass())
    followLoadedState();
  else
    showMessage(REWIND_EMPTY_TEXT);
  if (showPicture())
    refreshOverlay();
}

bool watchForHang() {
  ProgramLoop& fl = programLoop;
  const double now = steadySeconds();
  if (now - fl.lastFrameSeconds < HANG_SECONDS)
    return false;
  if (!fl.hangReported) {
    fl.hangReported = true;
    reportSuppressedWarnings();
    char name[PLACE_NAME_SIZE];
    printf("No frame for 1 s: the program at PC %08x%s is not reaching its idle loop\n", corePc(),
           symbolSuffix(corePc(), name, sizeof name));
    fflush(stdout);
    if (fl.exitOnHang) {
      runEnd.afterHang = true;
      requestEnd();
      return true;
    }
  }
  if (now - fl.lastHangLookSeconds < HANG_LOOK_SECONDS)
    return false;
  fl.lastHangLookSeconds = now;
  // Only the messages that rescue a person are taken; the rest wait for the next frame end.
  PlatformMessage message;
  while (!endRequested() && platformTakeUrgentMessage(&message)) {
    platformDispatchMessage(&message);
    // A reset starts the program again: a new hang is reported anew.
    fl.lastFrameSeconds = steadySeconds();
    fl.hangReported = false;
  }
  return endRequested();
}

// The variant for the next slice: the trace, breakpoints or gdb, the statistics, or none of them.
static LoopKind wantedLoop() {
  if (debuggerWanted())
    return LOOP_WATCHING;
  return programLoop.countInstructions ? LOOP_COUNTING : LOOP_PLAIN;
}

// A stop for gdb: served until gdb lets the machine run on; true when the run is to end (a kill, a
// closed window, a signal). The time stopped is not the program's.
static bool serveGdbStop() {
  if (!gdbStub.stopPending || !gdbStub.link.serveStop)
    return false;
  const bool end = gdbStub.link.serveStop();
  programLoop.lastFrameSeconds = steadySeconds();
  return end || endRequested();
}

void runFrameLoop() {
  ProgramLoop& fl = programLoop;
  watchWithDebugger();
  if (wantedLoop() == LOOP_COUNTING) {
    fl.loopStartSeconds = steadySeconds();
    fl.loopStartCpuSeconds = cpuSeconds();
  }
  fl.lastFrameSeconds = steadySeconds();
  if (gdbStub.attached)
    gdbRequestStop(GDB_STOP_START); // gdb takes over before the first instruction
  // An end request is acted on where a person's input is taken: at a pass's pump, in a hang, at a
  // breakpoint, while gdb holds the machine; a signal between two passes waits for the next pump.
  for (;;) {
    if (serveGdbStop()) {
      requestEnd();
      return;
    }
    if (hostControls.rewinding) {
      rewindPass();
      if (endRequested())
        return;
      continue;
    }
    uint32_t left;
    switch (coreRunSlice(wantedLoop(), HANG_WATCH_INSTRUCTIONS, &left)) {
    case SLICE_FRAME_ENDED:
      renderFrame();
      if (endRequested())
        return;
      // Time spent waiting inside the pass (inactive window, inspector) is not the program's.
      fl.lastFrameSeconds = steadySeconds();
      fl.hangReported = false;
      break;
    case SLICE_SPENT:
      if (watchForHang())
        return;
      break;
    case SLICE_STOPPED:
      if (gdbStub.stopPending)
        break;
      requestEnd(); // a --break breakpoint
      return;
    }
    gdbPoll();
  }
}
