#include "platform/ui/views/Screen.h"

#include "platform/ui/views/Application.h"

Screen& Screen::mainScreen()
{
    static Screen* screen = new Screen;
    return *screen;
}

Rect Screen::applicationFrame() const
{
    return Application::shared().applicationFrame();
}
