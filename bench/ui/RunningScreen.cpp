#include "bench/ui/RunningScreen.h"

#include "app/VantrelLauncher.h"
#include "app/vcVantrel.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"

#include <cstdlib>

std::shared_ptr<VantrelAppDelegate> launchRunningScreen(std::shared_ptr<Clock> clock, std::optional<Size> screenSize)
{
    Application::shared().reset();
    RunLoop::main().reset();
    RunLoop::main().setClock(std::move(clock));
    if (screenSize) {
        Screen::mainScreen().setScale(1);
        Screen::mainScreen().setSize(*screenSize);
    }
    if (!VantrelLauncher::loadBundle(VANTREL_SOURCE_DIR "/app/resources"))
        std::abort(); // the figures would be of a screen without its resources
    auto delegate = VantrelLauncher::launch();
    for (auto& alert : AlertView::visibleAlerts())
        alert->dismissWithClickedButtonIndex(0, false);
    delegate->screen()->startStop();
    RunLoop::main().runUntilIdle();
    return delegate;
}
