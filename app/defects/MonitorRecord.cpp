#include "app/defects/MonitorRecord.h"

#include <algorithm>
#include <iterator>

MonitorRecord::MonitorRecord(MonitorIdentity monitor)
    : m_monitor(std::move(monitor))
{
}

bool MonitorRecord::mark(int x, int y, DefectKind kind)
{
    if (!contains(x, y))
        return false;
    bool replacing = unmark(x, y);
    if (!replacing && m_marks.size() >= kMaximumMarks)
        return false;
    m_marks.push_back({ x, y, kind, width(), height() });
    return true;
}

bool MonitorRecord::unmark(int x, int y)
{
    auto found = std::find_if(m_marks.begin(), m_marks.end(),
        [&](const DefectMark& mark) { return mark.x == x && mark.y == y && mark.madeInMode(width(), height()); });
    if (found == m_marks.end())
        return false;
    m_marks.erase(found);
    return true;
}

bool MonitorRecord::undo()
{
    // Marks from an earlier mode are the past, not something to take back.
    auto last = std::find_if(
        m_marks.rbegin(), m_marks.rend(), [&](const DefectMark& mark) { return mark.madeInMode(width(), height()); });
    if (last == m_marks.rend())
        return false;
    m_marks.erase(std::next(last).base());
    return true;
}

std::optional<DefectMark> MonitorRecord::markAt(int x, int y) const
{
    for (auto& mark : m_marks) {
        if (mark.x == x && mark.y == y && mark.madeInMode(width(), height()))
            return mark;
    }
    return std::nullopt;
}

size_t MonitorRecord::flaggedCount() const
{
    return static_cast<size_t>(std::count_if(
        m_marks.begin(), m_marks.end(), [&](const DefectMark& mark) { return !mark.madeInMode(width(), height()); }));
}
