// The programs' frame loop on top of the core's slices: the pass after every frame end (input,
// composition, presentation, the files of a pass) and the hang watch between slices.
#pragma once
#include "platform/platform.h"

// While fast-forwarding, passes are presented at most once per this many seconds.
inline constexpr double FAST_FORWARD_PRESENT_SECONDS = 1.0 / PRESENT_RATE;

// Runs the board until an end is asked for (a closed window, a signal, a frame limit, a breakpoint).
void runFrameLoop();
// One pass (repeated while the sprite inspector is on): input, composition, presentation; returns at
// once when the pump finds the run is to end.
void renderFrame();
// Between slices: reports a hang once, then answers urgent messages while it lasts; true when the run
// is to end.
bool watchForHang();
