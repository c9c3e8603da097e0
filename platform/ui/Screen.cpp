#include "platform/ui/Screen.h"

#include "platform/ui/Application.h"

Screen& Screen::mainScreen()
{
    static Screen* screen = new Screen;
    return *screen;
}

Rect Screen::applicationFrame() const
{
    return Application::shared().applicationFrame();
}
