#pragma once
// The process clock: milliseconds since start. Live runs read the wall clock
// (never CPU time); headless runs set a virtual time so frames are reproducible.
#include <cstdint>

namespace processClock {
// Milliseconds since the first use of the clock, or the virtual time when set.
std::int64_t nowMs();
// Switches to a virtual clock that reads exactly ms until set again.
void setVirtualMs(std::int64_t ms);
// Back to the wall clock (tests).
void useWallClock();
}  // namespace processClock
