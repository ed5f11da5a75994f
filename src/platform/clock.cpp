#include "platform/clock.h"

namespace platform {

namespace {
SystemClock g_systemClock;
std::atomic<Clock*> g_currentClock{&g_systemClock};
}  // namespace

std::time_t SystemClock::Now() const { return std::time(nullptr); }

void SetCurrentClock(Clock* clock) { g_currentClock.store(clock ? clock : &g_systemClock); }

Clock& CurrentClock() { return *g_currentClock.load(); }

}  // namespace platform
