#pragma once

#include <string>

// A point in time: seconds since 1970-01-01 00:00:00 UTC. `now()` comes from
// the run loop's clock, so dates move with a test's manual clock.
class Date {
public:
    constexpr Date() = default;
    constexpr explicit Date(double secondsSince1970)
        : m_seconds(secondsSince1970)
    {
    }
    static Date now();

    double timeIntervalSince1970() const { return m_seconds; }
    double timeIntervalSinceNow() const;
    double timeIntervalSinceDate(const Date& other) const { return m_seconds - other.m_seconds; }
    Date addingTimeInterval(double seconds) const { return Date(m_seconds + seconds); }

    // Formats with strftime patterns, in local time or UTC.
    std::string formatted(const char* strftimePattern, bool localTime = true) const;

    auto operator<=>(const Date&) const = default;

private:
    double m_seconds { 0 };
};
