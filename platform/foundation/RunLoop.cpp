#include "platform/foundation/RunLoop.h"

#include "platform/foundation/GRefPtr.h"
#include "platform/foundation/ManualClock.h"
#include "platform/foundation/PendingWork.h"
#include "platform/foundation/SystemClock.h"
#include "platform/foundation/Timer.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>

// Deadlines closer than this count as equal: repeated addition of a 0.01 s
// interval must not push the 3,000th firing past a 30 s advance.
static constexpr double kTimeTolerance = 1e-9;

struct RunLoop::LoopSource {
    GSource base;
    RunLoop* loop;

    static gboolean prepare(GSource*, gint* timeout);
    static gboolean check(GSource*);
    static gboolean dispatch(GSource*, GSourceFunc, gpointer);
};

RunLoop& RunLoop::main()
{
    // Created once and never destroyed: it lives as long as the process.
    static RunLoop* instance = new RunLoop;
    return *instance;
}

RunLoop::RunLoop()
    : m_clock(std::make_shared<SystemClock>())
    , m_context(g_main_context_default())
{
    static GSourceFuncs funcs
        = { LoopSource::prepare, LoopSource::check, LoopSource::dispatch, nullptr, nullptr, nullptr };
    m_source = g_source_new(&funcs, sizeof(LoopSource));
    reinterpret_cast<LoopSource*>(m_source)->loop = this;
    g_source_set_name(m_source, "RunLoop");
    g_source_set_priority(m_source, G_PRIORITY_DEFAULT);
    g_source_attach(m_source, m_context);
}

void RunLoop::setClock(std::shared_ptr<Clock> clock)
{
    m_clock = clock ? std::move(clock) : std::make_shared<SystemClock>();
    // Deadlines belong to the old clock's scale; they cannot carry over.
    m_timers.clear();
}

ManualClock* RunLoop::manualClock() const
{
    return m_clock->isManual() ? static_cast<ManualClock*>(m_clock.get()) : nullptr;
}

double RunLoop::now() const
{
    return m_clock->now();
}

void RunLoop::post(std::function<void()> task)
{
    {
        std::lock_guard guard(m_postedLock);
        m_posted.push_back(std::move(task));
    }
    g_main_context_wakeup(m_context);
}

void RunLoop::performInBackground(std::function<void()> work, std::function<void()> reply)
{
    auto pending = std::make_shared<PendingWork::Token>(PendingWork::begin(PendingWork::Kind::Background));
    auto job = [this, work = std::move(work), reply = std::move(reply), pending]() mutable {
        work();
        work = nullptr;
        // The reply and the count go back together: the work is pending
        // until the reply has run on the main thread.
        post([reply = std::move(reply), pending = std::move(pending)] { reply(); });
    };
    try {
        std::thread(job).detach(); // a copy: `job` stays whole for the fallback
    } catch (const std::system_error&) {
        // No thread to be had: do the work here; the reply still comes in a later pass.
        job();
    }
}

std::shared_ptr<Timer> RunLoop::performAfterDelay(double delay, std::function<void()> task)
{
    return Timer::scheduledTimer(delay, false, [task = std::move(task)](Timer&) { task(); });
}

void RunLoop::keepAliveUntilPassEnds(std::shared_ptr<void> object)
{
    post([object = std::move(object)] {});
}

void RunLoop::run()
{
    auto loop = adoptGRef(g_main_loop_new(m_context, FALSE));
    GMainLoop* outer = m_loop;
    m_loop = loop.get();
    g_main_loop_run(loop.get());
    m_loop = outer;
}

void RunLoop::quit()
{
    if (m_loop)
        g_main_loop_quit(m_loop);
}

bool RunLoop::runUntil(const std::function<bool()>& condition, double timeoutSeconds)
{
    // The time-out is real time, whatever the loop's clock: it guards tests
    // that wait for real network answers.
    gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutSeconds * 1e6);
    while (!condition()) {
        gint64 remaining = deadline - g_get_monotonic_time();
        if (remaining <= 0)
            return false;
        auto wake = adoptGRef(g_timeout_source_new(static_cast<guint>(remaining / 1000 + 1)));
        g_source_set_callback(
            wake.get(), [](gpointer) { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(wake.get(), m_context);
        g_main_context_iteration(m_context, TRUE);
        g_source_destroy(wake.get()); // detaches it; the reference goes with `wake`
    }
    return true;
}

void RunLoop::runUntilIdle()
{
    // Bounded so that work which keeps rescheduling itself cannot hang a test.
    for (int i = 0; i < 100000; ++i) {
        if (!g_main_context_iteration(m_context, FALSE))
            return;
    }
}

void RunLoop::advance(double seconds)
{
    ManualClock* clock = manualClock();
    if (!clock || seconds < 0)
        return;
    double target = clock->now() + seconds;
    runPostedTasks();
    while (!m_timers.empty()) {
        double deadline = m_timers.begin()->first.first;
        if (deadline > target + kTimeTolerance)
            break;
        clock->setNow(deadline);
        fire(m_timers.begin()->second);
        runPostedTasks();
        if (m_afterPass)
            m_afterPass();
    }
    clock->setNow(target);
    runPostedTasks();
    if (m_afterPass)
        m_afterPass();
}

void RunLoop::reset()
{
    m_timers.clear();
    std::lock_guard guard(m_postedLock);
    m_posted.clear();
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer)
{
    timer->m_start = now();
    timer->m_index = 1;
    timer->m_sequence = m_nextSequence++;
    timer->m_fireDate = timer->m_start + timer->m_interval;
    insert(timer);
}

void RunLoop::insert(const std::shared_ptr<Timer>& timer)
{
    m_timers[{ timer->m_fireDate, timer->m_sequence }] = timer;
    // The thread running the loop works out the next wake-up before it sleeps
    // again; only another thread must interrupt a sleeping loop. Waking it
    // from inside would cost a second pass for every timer that repeats.
    if (!g_main_context_is_owner(m_context))
        g_main_context_wakeup(m_context);
}

void RunLoop::removeTimer(Timer& timer)
{
    m_timers.erase({ timer.m_fireDate, timer.m_sequence });
}

bool RunLoop::hasDueTimer() const
{
    return !m_timers.empty() && m_timers.begin()->first.first <= now() + kTimeTolerance;
}

double RunLoop::nextFireDate() const
{
    return m_timers.empty() ? std::numeric_limits<double>::infinity() : m_timers.begin()->first.first;
}

int RunLoop::millisecondsUntilNextTimer() const
{
    if (m_timers.empty() || m_clock->isManual())
        return -1;
    double wait = m_timers.begin()->first.first - now();
    if (wait <= 0)
        return 0;
    return static_cast<int>(std::min(std::ceil(wait * 1000.0), 86400000.0));
}

void RunLoop::fire(std::shared_ptr<Timer> timer)
{
    m_timers.erase({ timer->m_fireDate, timer->m_sequence });
    if (!timer->m_valid)
        return;
    timer->m_firing = true;
    auto callback = timer->m_callback;
    if (callback)
        callback(*timer);
    timer->m_firing = false;

    if (!timer->m_repeats) {
        timer->m_valid = false;
        timer->m_callback = nullptr;
        return;
    }
    if (!timer->m_valid) {
        timer->m_callback = nullptr;
        return;
    }
    // The next firing stays on the schedule start + n × interval. A timer that
    // fired late is not made up: the firings it missed are skipped.
    double elapsed = now() - timer->m_start;
    auto onSchedule = static_cast<uint64_t>(std::floor(elapsed / timer->m_interval + kTimeTolerance)) + 1;
    timer->m_index = std::max(timer->m_index + 1, onSchedule);
    timer->m_fireDate = timer->m_start + static_cast<double>(timer->m_index) * timer->m_interval;
    insert(timer);
}

bool RunLoop::runPostedTasks()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard guard(m_postedLock);
        batch.swap(m_posted);
    }
    for (auto& task : batch) {
        task();
        task = nullptr; // release what it held before the next task runs
    }
    return !batch.empty();
}

bool RunLoop::fireDueTimers()
{
    // Only timers that existed when the pass began: one scheduled from inside
    // a callback with a zero delay fires in a later pass.
    uint64_t limit = m_nextSequence;
    bool fired = false;
    while (hasDueTimer()) {
        auto it = m_timers.begin();
        if (it->first.second >= limit) {
            // A newer due timer sorts first; look for an older one behind it.
            auto older = std::find_if(
                m_timers.begin(), m_timers.end(), [&](auto& entry) { return entry.first.second < limit; });
            if (older == m_timers.end() || older->first.first > now() + kTimeTolerance)
                break;
            it = older;
        }
        fire(it->second);
        fired = true;
    }
    return fired;
}

bool RunLoop::runPass()
{
    bool ran = runPostedTasks();
    ran = fireDueTimers() || ran;
    if (ran && m_afterPass)
        m_afterPass();
    return ran;
}

gboolean RunLoop::LoopSource::prepare(GSource* source, gint* timeout)
{
    RunLoop* loop = reinterpret_cast<LoopSource*>(source)->loop;
    {
        std::lock_guard guard(loop->m_postedLock);
        if (!loop->m_posted.empty()) {
            *timeout = 0;
            return TRUE;
        }
    }
    if (loop->hasDueTimer()) {
        *timeout = 0;
        return TRUE;
    }
    *timeout = loop->millisecondsUntilNextTimer();
    return FALSE;
}

gboolean RunLoop::LoopSource::check(GSource* source)
{
    gint ignored;
    return prepare(source, &ignored);
}

gboolean RunLoop::LoopSource::dispatch(GSource* source, GSourceFunc, gpointer)
{
    reinterpret_cast<LoopSource*>(source)->loop->runPass();
    return G_SOURCE_CONTINUE;
}
