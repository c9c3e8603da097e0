#pragma once

// The source of time for everything that waits: timers, delayed calls,
// animations and dates. Code outside the foundation never reads the system
// clock; it asks the run loop's clock, so tests can drive time by hand.
class Clock {
public:
    virtual ~Clock() = default;

    // Seconds on a monotonic scale with an arbitrary origin; timers use it.
    virtual double now() const = 0;

    // Seconds since 1970-01-01 00:00:00 UTC; dates use it.
    virtual double wallTime() const = 0;

    // True when time only moves when a test advances it.
    virtual bool isManual() const { return false; }
};
