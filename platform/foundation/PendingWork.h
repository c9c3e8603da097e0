#pragma once

#include <cstdint>
#include <functional>

// Work under way outside the run loop's timers: URL connections in flight,
// background work started with RunLoop::performInBackground, web views
// loading. It is counted here, in one place, so that a host on virtual time
// can hold its clock while such work finishes and the network looks instant.
//
// Work may hold the clock only while it moves: a connection that has heard
// nothing for kIdleGrace seconds of real time no longer does, so the clock
// moves on and the connection's own time-out fires as it would in real time.
// Main thread, except that a Token may be released on any thread.
class PendingWork {
public:
    enum class Kind {
        Connection, // waits on a peer, which may never answer
        Background, // runs on a thread of its own; always moving
    };

    // Counts one piece of work while it lives. Move-only; an empty token
    // counts nothing.
    class Token {
    public:
        Token() = default;
        Token(Token&& other) noexcept
            : m_id(other.m_id)
        {
            other.m_id = 0;
        }
        Token& operator=(Token&&) noexcept;
        Token(const Token&) = delete;
        Token& operator=(const Token&) = delete;
        ~Token() { release(); }

        // The work heard from its peer: it counts as moving for another grace.
        void didMakeProgress();
        void release();
        explicit operator bool() const { return m_id != 0; }

    private:
        friend class PendingWork;
        explicit Token(uint64_t id)
            : m_id(id)
        {
        }
        uint64_t m_id { 0 };
    };

    // Real seconds a silent connection keeps holding the clock. Long enough
    // that a slow but live service (the demo's slow answers take 3 s) still
    // looks instant; short enough that one that never answers costs little.
    static constexpr double kIdleGrace = 5.0;

    static Token begin(Kind);
    // Work that is polled rather than counted (web views ask their engine
    // whether they are loading). Called once per kind of work.
    static void addProbe(std::function<bool()> busy);

    // Whether any work is under way, moving or not.
    static bool any();
    // Whether work that is still moving is under way: anything but a
    // connection silent for longer than the grace.
    static bool holdsTime();
    // Runs the main loop until no work holds the clock, or `realTimeout`
    // seconds of real time have passed. Answers whether the work let go.
    static bool waitUntilTimeIsFree(double realTimeout);

    // Tests shorten the grace so that a silent peer costs them little.
    static void setIdleGraceForTesting(double seconds);

private:
    static double secondsUntilNextIdle();
};
