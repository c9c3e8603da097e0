#pragma once

#include "platform/ui/graphics/Point.h"

#include <memory>
#include <vector>

class View;
class Window;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

// One finger on the screen. It remembers the view it began in for its whole
// life, wherever it moves afterwards.
class Touch {
public:
    Touch(std::weak_ptr<View> view, std::weak_ptr<Window> window, Point screenLocation, double timestamp);

    std::shared_ptr<View> view() const { return m_view.lock(); }
    std::shared_ptr<Window> window() const { return m_window.lock(); }
    TouchPhase phase() const { return m_phase; }
    double timestamp() const { return m_timestamp; }
    int tapCount() const { return m_tapCount; }

    // The location in `view`'s coordinates; null means the window's.
    Point locationInView(const View* view) const;
    Point previousLocationInView(const View* view) const;
    Point screenLocation() const { return m_location; }
    // Where the finger came down, in screen points.
    Point tapLocation() const { return m_tapLocation; }

    // The host's side: where the finger is now.
    void update(TouchPhase, Point screenLocation, double timestamp);
    void setTapCount(int count) { m_tapCount = count; }

private:
    std::weak_ptr<View> m_view;
    std::weak_ptr<Window> m_window;
    TouchPhase m_phase { TouchPhase::Began };
    Point m_location;
    Point m_previousLocation;
    Point m_tapLocation;
    double m_timestamp;
    int m_tapCount { 1 };
};

// The touches of one event; anyObject() is the platform's "any one touch".
class TouchSet {
public:
    TouchSet() = default;
    explicit TouchSet(std::vector<std::shared_ptr<Touch>> touches)
        : m_touches(std::move(touches))
    {
    }
    std::shared_ptr<Touch> anyObject() const { return m_touches.empty() ? nullptr : m_touches.front(); }
    size_t count() const { return m_touches.size(); }
    auto begin() const { return m_touches.begin(); }
    auto end() const { return m_touches.end(); }

private:
    std::vector<std::shared_ptr<Touch>> m_touches;
};

// The event a set of touches arrived with.
struct Event {
    TouchSet allTouches;
    double timestamp { 0 };
};
