#include "platform/ui/views/Screen.h"

#include "platform/ui/views/Application.h"

#include <algorithm>
#include <cmath>

Screen& Screen::mainScreen()
{
    static Screen* screen = new Screen;
    return *screen;
}

void Screen::setSize(Size size)
{
    size = { std::max(1.0, size.width), std::max(1.0, size.height) };
    if (size.width == m_size.width && size.height == m_size.height)
        return;
    Rect old = bounds();
    m_size = size;
    Application::shared().screenDidChangeBounds(old);
}

Rect Screen::applicationFrame() const
{
    return Application::shared().applicationFrame();
}

MonitorIdentity Screen::monitorIdentity() const
{
    if (m_monitor)
        return *m_monitor;
    MonitorIdentity identity;
    identity.connector = "headless";
    identity.widthPixels = static_cast<int>(std::lround(m_size.width * m_scale));
    identity.heightPixels = static_cast<int>(std::lround(m_size.height * m_scale));
    return identity;
}
