#pragma once

#include "platform/foundation/Clock.h"

// The machine's clocks: CLOCK_MONOTONIC for timers, the real-time clock for dates.
class SystemClock final : public Clock {
public:
    double now() const override;
    double wallTime() const override;
};
