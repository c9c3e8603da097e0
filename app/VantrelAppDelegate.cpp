#include "app/VantrelAppDelegate.h"

#include "app/vcVantrel.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

void VantrelAppDelegate::applicationDidFinishLaunching(Application& application)
{
    // Hidden first, so the screen's view is laid out on the whole screen.
    Application::shared().setStatusBarHidden(true, false);
    (void)application;
    if (!m_window)
        m_window = View::make<Window>(Screen::mainScreen().bounds());
    std::string
        interface = Bundle::mainBundle().objectForInfoDictionaryKey("VantrelTestScreenInterface").value_or("MainView");
    m_screen = std::make_shared<vcVantrel>(interface);
    // Asking for the view loads the description and runs viewDidLoad, which
    // puts up the warning before the window shows.
    m_window->addSubview(m_screen->view());
    m_window->makeKeyAndVisible();
}

bool VantrelAppDelegate::applicationKeyPressed(Application&, const Key& key)
{
    return m_screen && m_screen->keyPressed(key);
}
