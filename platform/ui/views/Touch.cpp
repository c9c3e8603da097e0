#include "platform/ui/views/Touch.h"

#include "platform/ui/views/View.h"
#include "platform/ui/views/Window.h"

Touch::Touch(std::weak_ptr<View> view, std::weak_ptr<Window> window, Point screenLocation, double timestamp)
    : m_view(std::move(view))
    , m_window(std::move(window))
    , m_location(screenLocation)
    , m_previousLocation(screenLocation)
    , m_tapLocation(screenLocation)
    , m_timestamp(timestamp)
{
}

void Touch::update(TouchPhase phase, Point screenLocation, double timestamp)
{
    m_previousLocation = m_location;
    m_location = screenLocation;
    m_phase = phase;
    m_timestamp = timestamp;
}

static Point fromScreen(Point screen, const View* view, const Window* window)
{
    if (!window)
        return screen;
    Point inWindow = window->convertPointFromScreen(screen);
    if (!view)
        return inWindow;
    return view->convertPoint(inWindow, window);
}

Point Touch::locationInView(const View* view) const
{
    auto window = m_window.lock();
    return fromScreen(m_location, view, window.get());
}

Point Touch::previousLocationInView(const View* view) const
{
    auto window = m_window.lock();
    return fromScreen(m_previousLocation, view, window.get());
}
