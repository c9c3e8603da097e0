#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include <glib.h>

class Clock;
class ManualClock;
class Timer;

// The main thread's run loop, sitting on GLib's default main context so that
// GTK, libsoup and WebKit events share it. Timers and delayed calls are kept
// here, ordered by deadline on the loop's Clock; with a ManualClock they fire
// only when a test advances time, which makes timing rules run instantly.
class RunLoop {
public:
    static RunLoop& main();

    // The clock every timer, animation and date reads. Tests install a ManualClock.
    Clock& clock() const { return *m_clock; }
    std::shared_ptr<Clock> sharedClock() const { return m_clock; }
    void setClock(std::shared_ptr<Clock>);
    // The installed clock when it is manual, else null.
    ManualClock* manualClock() const;
    double now() const;

    // Runs `task` on the main thread in a later pass. Safe from any thread.
    void post(std::function<void()> task);

    // Calls `task` once after `delay` seconds of the loop's clock.
    std::shared_ptr<Timer> performAfterDelay(double delay, std::function<void()> task);

    // Holds `object` until the current pass has ended, as an autorelease pool would.
    void keepAliveUntilPassEnds(std::shared_ptr<void> object);

    // Runs until quit() is called.
    void run();
    void quit();
    // Runs until `condition` holds or `timeoutSeconds` of real time pass; answers the condition.
    bool runUntil(const std::function<bool()>& condition, double timeoutSeconds = 10.0);
    // Runs every pass that is ready now, without waiting for new events or time.
    void runUntilIdle();
    // Manual clock only: moves time forward by `seconds`, firing everything due
    // on the way, in deadline order, with the clock set to each deadline.
    void advance(double seconds);

    // Forgets every timer and posted task; tests call it between cases.
    void reset();
    size_t scheduledTimerCount() const { return m_timers.size(); }

    // Called once after every pass in which something ran (the hosts redraw then).
    void setAfterPassHook(std::function<void()> hook) { m_afterPass = std::move(hook); }

    // Used by Timer.
    void addTimer(const std::shared_ptr<Timer>&);
    void removeTimer(Timer&);

private:
    RunLoop();
    struct LoopSource;

    static gboolean prepare(GSource*, gint* timeout);
    static gboolean check(GSource*);
    static gboolean dispatch(GSource*, GSourceFunc, gpointer);

    // One pass: the posted tasks waiting at its start, then the timers due now.
    bool runPass();
    bool runPostedTasks();
    bool fireDueTimers();
    void fire(std::shared_ptr<Timer>); // by value: firing erases the map's copy
    bool hasDueTimer() const;
    int millisecondsUntilNextTimer() const;
    void insert(const std::shared_ptr<Timer>&);

    std::shared_ptr<Clock> m_clock;
    GMainContext* m_context;
    GSource* m_source;
    GMainLoop* m_loop { nullptr };

    mutable std::mutex m_postedLock;
    std::deque<std::function<void()>> m_posted;

    using TimerKey = std::pair<double, uint64_t>;
    std::map<TimerKey, std::shared_ptr<Timer>> m_timers;
    uint64_t m_nextSequence { 0 };
    std::function<void()> m_afterPass;
};
