// Wall-clock time for what the desktop paces by a clock: timed messages, fast forward, the hang watch.
#pragma once
#include <chrono>

// Seconds on a steady clock.
inline double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
