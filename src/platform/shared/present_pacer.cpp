#include "platform/shared/present_pacer.h"

#include "platform/platform.h"

PresentPacer presentPacer;

int64_t paceDelay(int64_t now, int64_t frequency) {
  PresentPacer& pp = presentPacer;
  if (pp.unpaced)
    return 0;
  const int64_t period = frequency / PRESENT_RATE;
  if (pp.nextDue > now) {
    const int64_t wait = pp.nextDue - now;
    // The schedule advances by whole periods, so a short or long wait does not drift the rate.
    pp.nextDue += period;
    return wait;
  }
  if (pp.nextDue != 0 && now - pp.nextDue < PACE_CATCH_UP_PERIODS * period)
    pp.nextDue += period;
  else
    pp.nextDue = now + period;
  return 0;
}
