#include "platform/foundation/PendingWork.h"

#include "platform/foundation/RunLoop.h"

#include <glib.h>

#include <algorithm>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct Entry {
    PendingWork::Kind kind;
    int64_t lastProgress; // monotonic microseconds
};

struct Registry {
    std::mutex lock;
    std::map<uint64_t, Entry> entries;
    uint64_t nextId { 1 };
    std::vector<std::function<bool()>> probes; // main thread only
    double idleGrace { PendingWork::kIdleGrace };
};

Registry& registry()
{
    // Never destroyed: tokens may be released while the process exits.
    static auto* shared = new Registry;
    return *shared;
}

int64_t graceMicroseconds(const Registry& r)
{
    return static_cast<int64_t>(r.idleGrace * 1e6);
}

} // namespace

PendingWork::Token& PendingWork::Token::operator=(Token&& other) noexcept
{
    if (this != &other) {
        release();
        m_id = other.m_id;
        other.m_id = 0;
    }
    return *this;
}

void PendingWork::Token::didMakeProgress()
{
    if (!m_id)
        return;
    auto& r = registry();
    std::lock_guard guard(r.lock);
    if (auto it = r.entries.find(m_id); it != r.entries.end())
        it->second.lastProgress = g_get_monotonic_time();
}

void PendingWork::Token::release()
{
    if (!m_id)
        return;
    auto& r = registry();
    std::lock_guard guard(r.lock);
    r.entries.erase(m_id);
    m_id = 0;
}

PendingWork::Token PendingWork::begin(Kind kind)
{
    auto& r = registry();
    std::lock_guard guard(r.lock);
    uint64_t id = r.nextId++;
    r.entries[id] = { kind, g_get_monotonic_time() };
    return Token(id);
}

void PendingWork::addProbe(std::function<bool()> busy)
{
    registry().probes.push_back(std::move(busy));
}

bool PendingWork::any()
{
    auto& r = registry();
    {
        std::lock_guard guard(r.lock);
        if (!r.entries.empty())
            return true;
    }
    return std::any_of(r.probes.begin(), r.probes.end(), [](auto& probe) { return probe(); });
}

bool PendingWork::holdsTime()
{
    auto& r = registry();
    {
        std::lock_guard guard(r.lock);
        int64_t idleBefore = g_get_monotonic_time() - graceMicroseconds(r);
        for (auto& [id, entry] : r.entries) {
            if (entry.kind != Kind::Connection || entry.lastProgress > idleBefore)
                return true;
        }
    }
    // Probed work has no progress to measure; it holds the clock while busy.
    return std::any_of(r.probes.begin(), r.probes.end(), [](auto& probe) { return probe(); });
}

double PendingWork::secondsUntilNextIdle()
{
    auto& r = registry();
    std::lock_guard guard(r.lock);
    int64_t now = g_get_monotonic_time();
    int64_t soonest = std::numeric_limits<int64_t>::max();
    for (auto& [id, entry] : r.entries) {
        if (entry.kind == Kind::Connection)
            soonest = std::min(soonest, entry.lastProgress + graceMicroseconds(r) - now);
    }
    if (soonest == std::numeric_limits<int64_t>::max())
        return std::numeric_limits<double>::infinity();
    return std::max<double>(0, static_cast<double>(soonest) / 1e6);
}

bool PendingWork::waitUntilTimeIsFree(double realTimeout)
{
    int64_t deadline = g_get_monotonic_time() + static_cast<int64_t>(realTimeout * 1e6);
    while (holdsTime()) {
        double left = static_cast<double>(deadline - g_get_monotonic_time()) / 1e6;
        if (left <= 0)
            return false;
        // Nothing wakes the loop when a connection falls silent: look again
        // just after the next one would.
        double slice = std::min(left, secondsUntilNextIdle() + 0.001);
        RunLoop::main().runUntil([] { return !holdsTime(); }, slice);
    }
    return true;
}

void PendingWork::setIdleGraceForTesting(double seconds)
{
    auto& r = registry();
    std::lock_guard guard(r.lock);
    r.idleGrace = seconds > 0 ? seconds : kIdleGrace;
}
