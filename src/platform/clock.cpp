#include "platform/clock.h"

#include <cstdlib>

namespace platform {

namespace {
SystemClock g_systemClock;
std::atomic<Clock*> g_currentClock{&g_systemClock};
}  // namespace

std::time_t SystemClock::Now() const { return std::time(nullptr); }

void SetCurrentClock(Clock* clock) { g_currentClock.store(clock ? clock : &g_systemClock); }

Clock& CurrentClock() { return *g_currentClock.load(); }

void NameSystemTimeZone() { setenv("TZ", ":/etc/localtime", 0); }

}  // namespace platform
