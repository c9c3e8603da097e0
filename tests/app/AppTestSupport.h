#pragma once

#include "app/VantrelAppDelegate.h"
#include "app/VantrelLauncher.h"
#include "app/vcVantrel.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"
#include "tests/support/TempDir.h"
#include "tests/support/UITest.h"

#include <deque>
#include <string>
#include <vector>

// The app launched on a manual clock, as the headless host would, with the
// system URL handler and the random source replaced by recorders, and its
// files (the settings among them) in a fresh folder.
class AppTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        Paths::setDataDirectoryOverride(dataDirectory.path());
        Log::setCaptureHook([this](const std::string& line) { logLines.push_back(line); });
        Application::shared().setOpenURLHook([this](const std::string& url) {
            openedURLs.push_back(url);
            return true;
        });
        ASSERT_TRUE(VantrelLauncher::loadBundle(VANTREL_SOURCE_DIR "/app/resources"));
    }
    void TearDown() override
    {
        for (auto& alert : AlertView::visibleAlerts())
            alert->dismissWithClickedButtonIndex(0, false);
        Log::setCaptureHook(nullptr);
        UITest::TearDown();
        Paths::setDataDirectoryOverride(std::nullopt);
    }

    void launch()
    {
        delegate = VantrelLauncher::launch();
        screen = delegate->screen();
        screen->setRandomSource([this] {
            uint32_t value = randomValues.empty() ? 0 : randomValues.front();
            if (!randomValues.empty())
                randomValues.pop_front();
            return value;
        });
        settle();
    }
    void dismissWarning()
    {
        for (auto& alert : AlertView::visibleAlerts())
            alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), false);
        settle();
    }
    void touch(TouchPhase phase, Point p)
    {
        Application::shared().sendTouch(phase, p);
        settle();
    }
    // The square's colour as set (the model value).
    std::optional<Color> squareColor() const { return screen->square()->backgroundColor(); }
    double shownScale() const { return screen->squareBorder()->layer().presentation().transform.m11; }

    TempDir dataDirectory;
    std::shared_ptr<VantrelAppDelegate> delegate;
    std::shared_ptr<vcVantrel> screen;
    std::vector<std::string> openedURLs;
    std::vector<std::string> logLines;
    std::deque<uint32_t> randomValues;
};
