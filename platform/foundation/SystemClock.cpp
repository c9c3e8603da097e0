#include "platform/foundation/SystemClock.h"

#include <ctime>

static double secondsOf(clockid_t id)
{
    timespec ts {};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double SystemClock::now() const
{
    return secondsOf(CLOCK_MONOTONIC);
}

double SystemClock::wallTime() const
{
    return secondsOf(CLOCK_REALTIME);
}
