// Wall-clock time for what the desktop paces by a clock: timed messages, fast forward, the hang watch.
#pragma once
#include <chrono>
#include <ctime>

// Seconds on a steady clock.
inline double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Seconds of processor time the process has used: what the emulation costs, however busy the machine.
inline double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }
