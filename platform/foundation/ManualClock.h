#pragma once

#include "platform/foundation/Clock.h"

// A clock that stands still until told to move. Monotonic and wall time move
// together; the wall time starts at a fixed, known date so tests are repeatable.
class ManualClock final : public Clock {
public:
    // 2009-11-30 12:00:00 UTC.
    static constexpr double kDefaultWallTimeOrigin = 1259582400.0;

    explicit ManualClock(double wallTimeOrigin = kDefaultWallTimeOrigin)
        : m_wallTimeOrigin(wallTimeOrigin)
    {
    }

    double now() const override { return m_now; }
    double wallTime() const override { return m_wallTimeOrigin + m_now; }
    bool isManual() const override { return true; }

    // Moves time to `t`; time never goes backwards.
    void setNow(double t)
    {
        if (t > m_now)
            m_now = t;
    }
    void setWallTimeOrigin(double origin) { m_wallTimeOrigin = origin; }

private:
    double m_now { 0 };
    double m_wallTimeOrigin;
};
