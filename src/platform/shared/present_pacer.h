// The pace of presents for the desktop backends, whose presents may not wait for the display (no
// vsync, virtual displays, Blt): PRESENT_RATE pictures a second on a schedule of whole periods.
// Front ends that pace themselves leave it out.
#pragma once
#include <cstdint>

// A pass later than this many periods restarts the schedule instead of catching up.
inline constexpr int64_t PACE_CATCH_UP_PERIODS = 4;

struct PresentPacer {
  int64_t nextDue; // counter time the next present is due (0: none yet)
  bool unpaced;    // presents wait for nothing (the host fast-forwards)
};

extern PresentPacer presentPacer;

// The ticks to wait before a present at now (counter ticks, frequency a second), and the schedule
// moved on: a little late, the next passes run without a wait until it is met again; far behind (the
// first present, a wait for activation), it starts again from now.
int64_t paceDelay(int64_t now, int64_t frequency);
