#pragma once

#include "json/JSONValue.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class PellarFlexAdContainerView;
class TouchSet;
class View;

// The touch records an element view keeps for click data: one record per
// touch start and end it receives, in the view's coordinates and timed from
// the banner's first draw. Unlike the container's own records these follow
// no touchable-area or ignore-time rule.
class PellarFlexTouchRecorder {
public:
    // The banner container (not owned), whose first draw times the records.
    void setContainerView(std::weak_ptr<PellarFlexAdContainerView> container)
    {
        m_containerView = std::move(container);
    }

    // Records one touch of the set, a start or an end; before the first draw
    // (or without a container) its time is 0.
    void recordTouch(const TouchSet&, bool isTouchEnd, const View&);
    // { "touches": [records] } once a touch has been recorded; none before.
    std::optional<JSONValue> history() const { return historyOf(m_storedTouches); }
    // { "touches": [records] }, or nothing when no touch was recorded.
    static std::optional<JSONValue> historyOf(const std::vector<std::string>& touches);
    const std::vector<std::string>& storedTouches() const { return m_storedTouches; }

private:
    std::weak_ptr<PellarFlexAdContainerView> m_containerView;
    std::vector<std::string> m_storedTouches;
};
