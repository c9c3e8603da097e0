#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

class Clock;
class ManualClock;
class Timer;

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _GSource GSource;

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

    // Runs `work` on a thread of its own, then `reply` on the main thread in a
    // later pass. Until the reply has run it counts as pending work, so a host
    // on virtual time waits for it. `work` must touch nothing of the main
    // thread's; what `reply` holds is released on the main thread.
    void performInBackground(std::function<void()> work, std::function<void()> reply);
    // The same, handing `work`'s result to `reply`.
    template <typename Work, typename Reply>
    void performInBackground(Work work, Reply reply) requires(!std::is_void_v<std::invoke_result_t<Work>>)
    {
        using Result = std::invoke_result_t<Work>;
        auto result = std::make_shared<std::optional<Result>>();
        performInBackground(
            std::function<void()>([result, work = std::move(work)]() mutable { result->emplace(work()); }),
            std::function<void()>([result, reply = std::move(reply)]() mutable { reply(std::move(**result)); }));
    }

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
    // When the earliest scheduled timer is due, on the loop's clock; infinity
    // when none is. Nothing else wakes a loop that has no posted work.
    double nextFireDate() const;

    // Called once after every pass in which something ran (the hosts redraw then).
    void setAfterPassHook(std::function<void()> hook) { m_afterPass = std::move(hook); }

    // Used by Timer.
    void addTimer(const std::shared_ptr<Timer>&);
    void removeTimer(Timer&);

private:
    RunLoop();
    struct LoopSource; // the GSource that runs our passes; sees our private state

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
