#include "platform/ui/views/Screen.h"

#include "platform/ui/views/Application.h"

#include <algorithm>

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
